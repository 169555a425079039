#pragma once

#include "CalculationRefusal.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

// The current order as plain values: what a calculation in memory reads once, works on
// and hands to TOrderWriter, which writes it back in one go. Rows are held in the order
// of their keys; rows made during the run carry no key yet: the writer gives them the
// keys the database would have given them, in the order they were made.

// An order of the working tables with its material's figures.
struct TModelOrder {
    qint64 Id = 0;
    QString Number;
    std::optional<double> MaxW;
    std::optional<qint64> MaxH;
    std::optional<double> Weight1m2;
};

// A row of ApplicatePositions.
struct TModelPosition {
    // The key of a row read; 0 for a part made during the run.
    qint64 Key = 0;
    // Index in TOrderModel::Orders.
    int Order = -1;
    qint64 ApplicateId = 0;
    qint64 Width = 0;
    qint64 Height = 0;
    qint64 ColorId = 0;
    qint64 Quantity = 0;
    // A row read: its comment (null for NULL). A part: the customer's own words it keeps;
    // the writer adds the "(часть позиции N)" remark once N, the key, is known.
    QString Comment;
    // The quantity as read; the writer rewrites only rows whose quantity changed.
    qint64 ReadQuantity = 0;
    // A part: index of the position it was split off; -1 for a row read.
    int SplitFrom = -1;
};

// A row of Palletes. Every pallet the run made is kept, in the order made, also when
// the run deleted it again: its key is used up all the same.
struct TModelPallet {
    qint64 ColorId = 0;
    std::optional<qint64> Length;
    std::optional<qint64> Width;
    std::optional<qint64> MaxH;
    std::optional<double> MaxW;
    QString Number; // null for NULL
    bool Removed = false;
};

// A row of Solutions: sheets of a position placed on a pallet.
struct TModelPlacement {
    int Position = -1; // index in TOrderModel::Positions
    int Pallet = -1;   // index in TOrderModel::Pallets
    qint64 QuantityInRow = 0;
    qint64 Quantity = 0;
    QString Comment; // null for NULL
};

class TOrderModel {
public:
    // Reads the orders with their materials and every position of the working tables,
    // inside the caller's transaction. Pallets and placements start empty: every
    // calculation builds them afresh. AStatements is increased by the queries sent.
    static TOrderModel Read(const QSqlDatabase& AConnection, qint64* AStatements = nullptr);

    // Why these rows cannot be calculated in memory with the very results of the literal
    // engine (a value missing where that engine would splice it, a position without its
    // order or material, sizes whose products do not fit 64 bits, several weights per
    // square metre); empty when they can.
    QString Unsupported;

    QList<TModelOrder> Orders;
    std::vector<TModelPosition> Positions;
    // Positions[0 .. ReadPositions) were read; the rest are parts made by the run.
    int ReadPositions = 0;
    std::vector<TModelPallet> Pallets;
    std::vector<TModelPlacement> Placements;

    // The positions with their orders' figures, in key order, as the refusal check
    // takes them.
    QList<TRefusalRow> RefusalRows() const;
};
