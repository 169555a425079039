#include "PalletProof.h"

#include "SheetsPerRow.h"

#include <coin/ClpSimplex.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace PalletProof {

namespace {

// A bound in floating point is rounded up only past this: the duals and the pricing
// are sums of a few hundred products, far more exact than that.
const double Slack = 1e-6;
// Pricing nodes before the pricing gives up its optimum and answers with its
// relaxation's bound (still valid, only weaker).
const qint64 PricingNodes = 200000;
// Pallets past which no exhaustive search is started: it could not end in any budget,
// and its tables grow with pallets times positions.
const qint64 SearchedPallets = 64;
// Columns past which the master stops growing: a colour that needs more has long been
// beyond what its deadline allows.
const int MaxPatterns = 20000;

// One position as the proofs see it: its sheets, what one covers, how many stand abreast.
struct TSheets {
    int Item = -1;
    qint64 Quantity = 0;
    qint64 Area = 0;
    qint64 Abreast = 1;
    qint64 Cap = 0; // most sheets one pallet takes of it alone
};

qint64 RowsOf(const TSheets& ASheets, qint64 AQuantity) {
    return AQuantity <= 0 ? 0 : (AQuantity + ASheets.Abreast - 1) / ASheets.Abreast;
}

std::vector<TSheets> SheetsOf(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits) {
    std::vector<TSheets> sheets;
    for (size_t i = 0; i < AItems.size(); ++i) {
        const TDenseItem& item = AItems[i];
        if (item.Quantity <= 0)
            continue;
        TSheets s;
        s.Item = static_cast<int>(i);
        s.Quantity = item.Quantity;
        s.Area = std::max<qint64>(0, item.Length * item.Height);
        s.Abreast = SheetsPerRowRule(item.Height, 0);
        s.Cap = std::min(s.Quantity, ALimits.MaxRows * s.Abreast);
        if (s.Area > 0)
            s.Cap = std::min(s.Cap, ALimits.AreaCapacity / s.Area);
        sheets.push_back(s);
    }
    return sheets;
}

// Every so many steps of a search the deadline and the cancellation are looked at.
class TWatch {
public:
    TWatch(const QDeadlineTimer& ADeadline, const std::function<void()>& ACheckCanceled)
        : FDeadline(ADeadline), FCheckCanceled(ACheckCanceled) {}

    // False once the deadline has passed.
    bool Step() {
        if ((++FSteps & 1023) != 0)
            return !FExpired;
        if (FCheckCanceled)
            FCheckCanceled();
        FExpired = FExpired || FDeadline.hasExpired();
        return !FExpired;
    }
    bool Expired() const { return FExpired; }

private:
    QDeadlineTimer FDeadline;
    const std::function<void()>& FCheckCanceled;
    qint64 FSteps = 0;
    bool FExpired = false;
};

// The most a pallet's sheets are worth at prices APrice (one a sheet of each position),
// an exact two-constraint knapsack by branch and bound: positions by price per area, the
// sheets of each from the most that fit down, a branch cut where even its fractional
// relaxations (the area alone, the rows alone) cannot beat the best found.
class TPricing {
public:
    TPricing(const std::vector<TSheets>& ASheets, const TDenseLimits& ALimits,
             const std::vector<double>& APrice)
        : FLimits(ALimits) {
        for (size_t i = 0; i < ASheets.size(); ++i)
            if (APrice[i] > 0 && ASheets[i].Cap > 0)
                FItems.push_back({i, ASheets[i], APrice[i]});
        std::sort(FItems.begin(), FItems.end(), [](const TPriced& A, const TPriced& B) {
            return A.PerArea() > B.PerArea();
        });
        FByRow.resize(FItems.size());
        std::iota(FByRow.begin(), FByRow.end(), 0);
        std::sort(FByRow.begin(), FByRow.end(), [this](size_t A, size_t B) {
            return FItems[A].PerRow() > FItems[B].PerRow();
        });
        FTake.assign(FItems.size(), 0);
        FBest.assign(ASheets.size(), 0);
    }

    // The best pattern's worth; AExact false when the node budget ran out, and then
    // Bound() is what no pattern exceeds.
    double Solve(bool& AExact) {
        FRootBound = Relaxation(0, FLimits.AreaCapacity, FLimits.MaxRows);
        Branch(0, FLimits.AreaCapacity, FLimits.MaxRows, 0.0);
        AExact = FNodes <= PricingNodes;
        return FBestValue;
    }
    double Bound(bool AExact) const { return AExact ? FBestValue : FRootBound; }
    // Sheets of each position (indices as the sheets given) in the best pattern.
    const std::vector<qint64>& Best() const { return FBest; }

private:
    struct TPriced {
        size_t Index;
        TSheets Sheets;
        double Price;
        double PerArea() const {
            return Sheets.Area > 0 ? Price / double(Sheets.Area)
                                   : std::numeric_limits<double>::infinity();
        }
        double PerRow() const { return Price * double(Sheets.Abreast); }
    };

    // Fractional relaxations of the positions from AFrom on, the smaller of the two.
    double Relaxation(size_t AFrom, qint64 AArea, qint64 ARows) const {
        double byArea = 0;
        double room = double(AArea);
        for (size_t j = AFrom; j < FItems.size() && room > 0; ++j) {
            const TPriced& p = FItems[j];
            if (p.Sheets.Area <= 0)
                return std::numeric_limits<double>::infinity();
            const double take = std::min(double(p.Sheets.Cap), room / double(p.Sheets.Area));
            byArea += take * p.Price;
            room -= take * double(p.Sheets.Area);
        }
        double byRows = 0;
        double rows = double(ARows);
        for (const size_t j : FByRow) {
            if (j < AFrom)
                continue;
            if (rows <= 0)
                break;
            const TPriced& p = FItems[j];
            const double take = std::min(double(p.Sheets.Cap), rows * double(p.Sheets.Abreast));
            byRows += take * p.Price;
            rows -= take / double(p.Sheets.Abreast);
        }
        return std::min(byArea, byRows);
    }

    void Branch(size_t AFrom, qint64 AArea, qint64 ARows, double AValue) {
        if (AValue > FBestValue) {
            FBestValue = AValue;
            std::fill(FBest.begin(), FBest.end(), 0);
            for (size_t j = 0; j < AFrom; ++j)
                FBest[FItems[j].Index] = FTake[j];
        }
        if (AFrom == FItems.size() || ++FNodes > PricingNodes)
            return;
        if (AValue + Relaxation(AFrom, AArea, ARows) <= FBestValue * (1 + 1e-12))
            return;
        const TPriced& p = FItems[AFrom];
        qint64 most = std::min(p.Sheets.Cap, ARows * p.Sheets.Abreast);
        if (p.Sheets.Area > 0)
            most = std::min(most, AArea / p.Sheets.Area);
        for (qint64 q = most; q >= 0 && FNodes <= PricingNodes; --q) {
            FTake[AFrom] = q;
            Branch(AFrom + 1, AArea - q * p.Sheets.Area, ARows - RowsOf(p.Sheets, q),
                   AValue + double(q) * p.Price);
        }
        FTake[AFrom] = 0;
    }

    TDenseLimits FLimits;
    std::vector<TPriced> FItems;
    std::vector<size_t> FByRow;
    std::vector<qint64> FTake;
    std::vector<qint64> FBest;
    double FBestValue = 0;
    double FRootBound = 0;
    qint64 FNodes = 0;
};

qint64 RoundedUp(double AValue) {
    return static_cast<qint64>(std::ceil(AValue - Slack));
}

// The sheets of ASheets dealt onto ACount pallets, position by position and pallet by
// pallet, the most sheets first. Empty pallets are all alike: sheets go into the first
// of them only. A branch ends where the sheets left need more area or more rows than
// the pallets have free.
class TDealing {
public:
    TDealing(const std::vector<TSheets>& ASheets, const TDenseLimits& ALimits, qint64 ACount,
             TWatch& AWatch)
        : FSheets(ASheets), FLimits(ALimits), FWatch(AWatch),
          FBins(static_cast<size_t>(ACount)), FTaken(ASheets.size(), std::vector<qint64>(FBins.size(), 0)) {
        // Large sheets first: they decide soonest that a branch fails.
        std::sort(FSheets.begin(), FSheets.end(), [](const TSheets& A, const TSheets& B) {
            return A.Area * A.Quantity > B.Area * B.Quantity;
        });
        FAreaAfter.assign(FSheets.size() + 1, 0);
        FRowsAfter.assign(FSheets.size() + 1, 0);
        for (size_t i = FSheets.size(); i-- > 0;) {
            FAreaAfter[i] = FAreaAfter[i + 1] + FSheets[i].Area * FSheets[i].Quantity;
            FRowsAfter[i] = FRowsAfter[i + 1] + RowsOf(FSheets[i], FSheets[i].Quantity);
        }
        FFreeArea = ALimits.AreaCapacity * ACount;
        FFreeRows = ALimits.MaxRows * ACount;
    }

    TSearchResult Run() {
        if (FSheets.empty())
            return TSearchResult::Found;
        if (Deal(0, 0, FSheets[0].Quantity))
            return TSearchResult::Found;
        return FWatch.Expired() ? TSearchResult::Unknown : TSearchResult::None;
    }

    std::vector<TDensePallet> Pallets(const std::vector<TDenseItem>& AItems) const {
        std::vector<TDensePallet> pallets(FBins.size());
        for (size_t i = 0; i < FSheets.size(); ++i)
            for (size_t b = 0; b < FBins.size(); ++b)
                if (FFound[i][b] > 0)
                    pallets[b].push_back({AItems[FSheets[i].Item].Position, FFound[i][b]});
        pallets.erase(std::remove_if(pallets.begin(), pallets.end(),
                                     [](const TDensePallet& P) { return P.empty(); }),
                      pallets.end());
        return pallets;
    }

private:
    struct TBin {
        qint64 Area = 0;
        qint64 Rows = 0;
        bool Empty() const { return Area == 0 && Rows == 0; }
    };

    // Position AItem has ALeft sheets still to go, onto pallet ABin or those after it.
    bool Deal(size_t AItem, size_t ABin, qint64 ALeft) {
        if (!FWatch.Step())
            return false;
        if (ALeft == 0) {
            if (AItem + 1 == FSheets.size()) {
                FFound = FTaken;
                return true;
            }
            return Deal(AItem + 1, 0, FSheets[AItem + 1].Quantity);
        }
        const TSheets& s = FSheets[AItem];
        if (ABin == FBins.size())
            return false;
        // What is left of this position and those after it must fit the free room.
        if (FAreaAfter[AItem + 1] + ALeft * s.Area > FFreeArea ||
            FRowsAfter[AItem + 1] + RowsOf(s, ALeft) > FFreeRows)
            return false;
        TBin& bin = FBins[ABin];
        const bool firstEmpty =
            bin.Empty() && std::none_of(FBins.begin(), FBins.begin() + long(ABin),
                                        [](const TBin& B) { return B.Empty(); });
        qint64 most = 0;
        if (!bin.Empty() || firstEmpty) {
            most = std::min(ALeft, (FLimits.MaxRows - bin.Rows) * s.Abreast);
            if (s.Area > 0)
                most = std::min(most, (FLimits.AreaCapacity - bin.Area) / s.Area);
        }
        // The last pallet must take everything left.
        const qint64 least = ABin + 1 == FBins.size() ? ALeft : 0;
        for (qint64 q = most; q >= least; --q) {
            const qint64 rows = RowsOf(s, q);
            bin.Area += q * s.Area;
            bin.Rows += rows;
            FFreeArea -= q * s.Area;
            FFreeRows -= rows;
            FTaken[AItem][ABin] = q;
            // Rows a part starts beyond its sheets' share are lost to the free room.
            const bool found = Deal(AItem, ABin + 1, ALeft - q);
            FTaken[AItem][ABin] = 0;
            bin.Area -= q * s.Area;
            bin.Rows -= rows;
            FFreeArea += q * s.Area;
            FFreeRows += rows;
            if (found)
                return true;
            if (FWatch.Expired())
                return false;
        }
        return false;
    }

    std::vector<TSheets> FSheets;
    TDenseLimits FLimits;
    TWatch& FWatch;
    std::vector<TBin> FBins;
    std::vector<std::vector<qint64>> FTaken;
    std::vector<std::vector<qint64>> FFound;
    std::vector<qint64> FAreaAfter;
    std::vector<qint64> FRowsAfter;
    qint64 FFreeArea = 0;
    qint64 FFreeRows = 0;
};

} // namespace

qint64 PatternBound(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits,
                    qint64 ATarget, const QDeadlineTimer& ADeadline,
                    const std::function<void()>& ACheckCanceled) {
    qint64 bound = TDensePacker::ProvenBound(AItems, ALimits);
    const std::vector<TSheets> sheets = SheetsOf(AItems, ALimits);
    if (bound >= ATarget || sheets.empty() || ALimits.MaxRows <= 0 || ALimits.AreaCapacity <= 0)
        return bound;
    for (const TSheets& s : sheets)
        if (s.Cap <= 0)
            return bound;

    ClpSimplex master;
    master.setLogLevel(0);
    master.resize(static_cast<int>(sheets.size()), 0);
    for (size_t i = 0; i < sheets.size(); ++i)
        master.setRowBounds(static_cast<int>(i), double(sheets[i].Quantity), COIN_DBL_MAX);
    const auto addPattern = [&master](const std::vector<qint64>& ATake) {
        std::vector<int> rows;
        std::vector<double> values;
        for (size_t i = 0; i < ATake.size(); ++i)
            if (ATake[i] > 0) {
                rows.push_back(static_cast<int>(i));
                values.push_back(double(ATake[i]));
            }
        master.addColumn(static_cast<int>(rows.size()), rows.data(), values.data(), 0.0,
                         COIN_DBL_MAX, 1.0);
    };
    // Each position alone, as much of it as a pallet takes: the master covers every
    // sheet from the start.
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::vector<qint64> take(sheets.size(), 0);
        take[i] = sheets[i].Cap;
        addPattern(take);
    }

    TWatch watch(ADeadline, ACheckCanceled);
    for (int round = 0; round < MaxPatterns; ++round) {
        master.primal();
        if (!master.isProvenOptimal())
            break;
        const double* duals = master.dualRowSolution();
        std::vector<double> price(sheets.size());
        double covered = 0;
        for (size_t i = 0; i < sheets.size(); ++i) {
            price[i] = std::max(0.0, duals[i]);
            covered += price[i] * double(sheets[i].Quantity);
        }
        TPricing pricing(sheets, ALimits, price);
        bool exact = false;
        const double best = pricing.Solve(exact);
        // Prices no pattern is worth more than 1 of, scaled: a bound whatever the round.
        const double most = pricing.Bound(exact);
        if (most > 0)
            bound = std::max(bound, RoundedUp(covered / most));
        if (bound >= ATarget || (exact && best <= 1 + 1e-9))
            break;
        if (best <= 1 + 1e-9)
            break; // no column to add, and no proof of the optimum: as good as it gets
        if (!watch.Step() || ADeadline.hasExpired())
            break;
        addPattern(pricing.Best());
    }
    return bound;
}

TSearchResult PackOnto(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits,
                       qint64 ACount, const QDeadlineTimer& ADeadline,
                       std::vector<TDensePallet>* AFound,
                       const std::function<void()>& ACheckCanceled) {
    const std::vector<TSheets> sheets = SheetsOf(AItems, ALimits);
    if (ACount <= 0)
        return sheets.empty() ? TSearchResult::Found : TSearchResult::None;
    if (ACount > SearchedPallets)
        return TSearchResult::Unknown;
    TWatch watch(ADeadline, ACheckCanceled);
    TDealing dealing(sheets, ALimits, ACount, watch);
    const TSearchResult result = dealing.Run();
    if (result == TSearchResult::Found && AFound)
        *AFound = dealing.Pallets(AItems);
    return result;
}

TColourProof Prove(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits,
                   std::vector<TDensePallet>& APallets, const QDeadlineTimer& ADeadline,
                   const std::function<void()>& ACheckCanceled) {
    TColourProof proof;
    proof.Pallets = static_cast<qint64>(APallets.size());
    qint64 rows = 0;
    for (const TDenseItem& i : AItems)
        rows += TDensePacker::Rows(i.Height, i.Quantity);
    proof.Bound = TDensePacker::LowerBound(AItems, ALimits);
    proof.Basis = ALimits.MaxRows > 0 && proof.Bound > 1 &&
                          (rows + ALimits.MaxRows - 1) / ALimits.MaxRows == proof.Bound
                      ? TBoundBasis::Rows
                      : TBoundBasis::Weight;
    const auto raise = [&proof](qint64 ABound, TBoundBasis ABasis) {
        if (ABound > proof.Bound) {
            proof.Bound = ABound;
            proof.Basis = ABasis;
        }
    };
    // A sheet no pallet carries alone (a stored order whose material got heavier since)
    // leaves nothing to search: no packing of these sheets exists at all.
    const std::vector<TSheets> sheets = SheetsOf(AItems, ALimits);
    if (std::any_of(sheets.begin(), sheets.end(), [](const TSheets& S) { return S.Cap <= 0; }))
        return proof;
    if (!proof.Proven())
        raise(TDensePacker::ProvenBound(AItems, ALimits), TBoundBasis::HeaviestLoad);
    if (!proof.Proven())
        raise(PatternBound(AItems, ALimits, proof.Pallets, ADeadline, ACheckCanceled),
              TBoundBasis::Patterns);
    while (!proof.Proven() && !ADeadline.hasExpired()) {
        std::vector<TDensePallet> fewer;
        const TSearchResult found =
            PackOnto(AItems, ALimits, proof.Pallets - 1, ADeadline, &fewer, ACheckCanceled);
        if (found == TSearchResult::Found) {
            // Positions without sheets stay on the first pallet, as the packer put them.
            for (const TDenseItem& i : AItems)
                if (i.Quantity <= 0 && !fewer.empty())
                    fewer.front().push_back({i.Position, i.Quantity});
            APallets = std::move(fewer);
            proof.Pallets = static_cast<qint64>(APallets.size());
        } else {
            if (found == TSearchResult::None)
                raise(proof.Pallets, TBoundBasis::Search);
            break;
        }
    }
    return proof;
}

} // namespace PalletProof
