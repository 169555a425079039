#pragma once

#include "OrderHeader.h"

#include <QList>
#include <QStringList>

class TDataModule;

// What the New-order dialog does with the database, without its widgets, so the
// command-line import records a header exactly as the dialog does: the lists of its
// three boxes, finding or adding the customer, and inserting the order row.
class TOrderHeaderStore {
public:
    explicit TOrderHeaderStore(TDataModule& AData) : FData(AData) {}

    struct TMaterialItem {
        qlonglong ID = 0;
        QString Text;
        QString Thickness; // Width as the workbook's thickness column reads it; may be empty
    };

    // Customer names by name; a NULL name is listed as "-".
    QStringList CustomerNames() const;
    // Materials by name and thickness: "Name (8 мм)", "Материал" for a blank name.
    QList<TMaterialItem> MaterialItems() const;
    // Pallet weights used by earlier orders, written so the database takes them back.
    QStringList MaxWeights() const;

    // The material's thickness as the workbook's thickness column reads it ("8",
    // "10,5"); empty when the material is unknown or has no thickness.
    QString MaterialThickness(const QString& AMaterialID) const;
    // The question asked before an order of AOrderThickness is stored with a material
    // of another thickness: names both.
    static QString ThicknessQuestion(const QString& AOrderThickness, const QString& AMaterialText,
                                     const QString& AMaterialThickness);

    // The order's pallet limit as typed: a positive number, a point or a comma as the
    // decimal sign, spaces around it allowed. False for anything else ("abc", "0",
    // "-5", "1e3", "1 200").
    static bool ParseMaxWeight(const QString& AText, double* AValue = nullptr);
    // What is wrong with a typed limit, in the dialog's words; empty when it will do.
    static QString MaxWeightProblem(const QString& AText);

    // The customer's comparison form: no spaces, lower case, trimmed.
    static QString MatchingKey(const QString& ACustomerName);
    // A name as it is stored: line breaks and tabs become spaces, so that every list of
    // orders, the command-line tool's included, keeps one order to a line.
    static QString OneLine(const QString& AText);
    // The key (decimal text) of the customer whose comparison form is the name's
    // (the whole of it: "ИП Петров" is not "ИП Петрова"); the customer is added
    // first when there is none. The name is stored OneLine.
    QString FindOrCreateCustomer(const QString& ACustomerName) const;
    // Throws EGravelonError naming the material and those there are when the database
    // has no material AMaterialID: the order row's link would be refused, and a
    // command-line import may name any key.
    void RequireMaterial(const QString& AMaterialID) const;
    // Inserts the order row for AHeader (CustomerID and MaterialID set) and returns
    // its key. A pallet limit that ParseMaxWeight refuses throws EGravelonError with
    // MaxWeightProblem before anything is written.
    qlonglong InsertOrder(const TOrderHeader& AHeader) const;
    // Both steps for a header as entered; fills CustomerID and OrderID.
    void Record(TOrderHeader& AHeader) const;

private:
    TDataModule& FData;
};
