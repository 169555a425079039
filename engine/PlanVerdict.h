#pragma once

#include "OrderModel.h"
#include "PalletBound.h"
#include "PalletProof.h"

#include <QDeadlineTimer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// One colour of a calculated order: what its sheets ask of the pallets, how many it got,
// and the least number proven.
struct TColourVerdict {
    qint64 ColorId = 0;
    qint64 OrderId = 0;
    QString Code;
    QString Name;
    qint64 Sheets = 0;
    double Weight = 0; // kg, as the pallet list weighs it
    std::optional<double> WeightLimit;
    qint64 Rows = 0; // started rows of the whole positions
    qint64 RowLimit = 0;
    qint64 DensePallets = 0; // what the dense packing reaches
    TColourProof Proof;      // Pallets: what the calculation made
};

// The pallet count of an order and why it is what it is, colour by colour.
class TPlanVerdict {
public:
    std::vector<TColourVerdict> Colours;

    qint64 Pallets() const;
    qint64 Bound() const;
    qint64 DensePallets() const;
    bool Proven() const;

    // "13 поддонов — минимум доказан", "46 поддонов, возможно 45", and where the dense
    // packing needs fewer pallets "40 поддонов; плотная укладка — 32".
    QString Caption() const;
    // One line a colour: "colour <code>: pallets N, lower bound M, proven minimum" or
    // "..., not proven".
    QStringList ColourLines() const;
    // What the window "Почему столько поддонов?" shows.
    QString Explanation() const;

    // Colour AGroup of AModel, its figures filled in; its proof is left to the caller.
    static TColourVerdict Describe(const PalletBound::TGroup& AGroup, const TOrderModel& AModel);

    // The groups packed densely and their counts proven, within ADeadline shared out
    // over the groups: the verdict on the dense packing, until TakeCounts. Without
    // APack only the bounds of the groups, as they stand.
    static TPlanVerdict Judge(const TOrderModel& AModel,
                              const std::vector<PalletBound::TGroup>& AGroups,
                              const QDeadlineTimer& ADeadline, bool APack = true,
                              const std::function<void()>& ACheckCanceled = {});
    // The verdict on the counts another calculation made (APallets by colour and order
    // key) instead: what is proven stays what the dense packing's proof found.
    void TakeCounts(const std::map<std::pair<qint64, qint64>, qint64>& APallets);

    // The counts APallets (by colour and order key) proven as they stand, without
    // packing anything: quick enough for an order being shown. DensePallets is the
    // count itself, or fewer where the search found a packing on fewer pallets.
    static TPlanVerdict JudgeCounts(const TOrderModel& AModel,
                                    const std::vector<PalletBound::TGroup>& AGroups,
                                    const std::map<std::pair<qint64, qint64>, qint64>& APallets,
                                    const QDeadlineTimer& ADeadline);

    // The verdict on order AOrderId as it is stored, wherever it is (the working tables
    // or the archive): the customer's positions against the pallets it has, by
    // JudgeCounts. Empty when the order has no pallets or its positions are not whole.
    static std::optional<TPlanVerdict> ForStoredOrder(const QSqlDatabase& AConnection,
                                                      qint64 AOrderId,
                                                      const QDeadlineTimer& ADeadline);

    // Pallets with contents by colour and order key, of the working tables.
    static std::map<std::pair<qint64, qint64>, qint64> WorkingPallets(const QSqlDatabase& AConnection);

    // Codes and names of the colours, from the colour directory.
    void NameColours(const QSqlDatabase& AConnection);

    // The share of ATotal that one of AGroupsLeft groups may take.
    static QDeadlineTimer Share(const QDeadlineTimer& ATotal, size_t AGroupsLeft);

private:
    // Each group's count proven from the pallets AStart gives it (none: its bound as it
    // stands), within ADeadline shared out over the groups.
    static TPlanVerdict Proven(
        const TOrderModel& AModel, const std::vector<PalletBound::TGroup>& AGroups,
        const QDeadlineTimer& ADeadline, const std::function<void()>& ACheckCanceled,
        const std::function<std::optional<std::vector<TDensePallet>>(
            const PalletBound::TGroup&, const TColourVerdict&)>& AStart);
};

// Pallets in Russian: "1 поддон", "2 поддона", "5 поддонов".
QString PalletsText(qint64 APallets);
