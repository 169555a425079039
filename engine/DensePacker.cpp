#include "DensePacker.h"

#include "CalculationRules.h"
#include "SheetsPerRow.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <random>

namespace {

// Orders of the units tried with random weights on their sizes at each count, beyond
// the plain ones: enough to find the bound on nearly every colour of a real order,
// few enough that an order of thousands of positions packs in well under a second.
const unsigned ShuffledTries = 12;

// Units (positions and the pallet loads cut off large ones) of one colour past which
// the counts below the whole packings are not searched: the tries there go through
// the pallets for every unit, and a colour of a few million sheets took minutes. Such
// a colour keeps the best whole packing. No generated order of the benchmarks comes
// near it.
const size_t SearchedUnits = 5000;

// Pallet-by-pallet packings tried at a count the others miss, and the subsets each
// pallet weighs at most.
const unsigned SequentialTries = 8;
const int SequentialNodes = 2000;
// At most so many sheets fewer of the unit that opens a pallet are tried.
const qint64 FewerOpenerSheets = 24;

// A packing's areas fit 64 bits: the order model refuses an order whose sheets cover
// more than 2^61 mm² (OrderModel's AreaLimit) and AreaCapacity is at most Unlimited,
// 2^61 - 1, so an area, the sum of two and the room left under the capacity all stay
// below 2^62.
constexpr qint64 Unlimited = std::numeric_limits<qint64>::max() / 4;

// ACount numbers in [0, 1) from ASeed, all 0 for seed 0: the generator's raw output, so
// that the same seed gives the same numbers everywhere.
std::vector<double> RandomDraws(unsigned ASeed, size_t ACount) {
    std::vector<double> draws(ACount, 0.0);
    if (ASeed != 0) {
        std::mt19937 random(ASeed);
        for (double& d : draws)
            d = static_cast<double>(random()) / 4294967296.0;
    }
    return draws;
}

// A weight of 0.7 to 1.3 on a unit's size from a draw of RandomDraws.
double SizeFactor(double ADraw) {
    return 1.0 + 0.6 * (ADraw - 0.5);
}

// A sheet of a size below zero covers nothing.
qint64 SheetArea(const TDenseItem& AItem) {
    return std::max<qint64>(0, AItem.Length * AItem.Height);
}

// The area of every sheet of AItems. The bounds also weigh orders no area test has seen:
// CalculationRefusal's ceiling check, before the literal calculation, hands them sizes
// up to 2^31 mm and up to 10^7 sheets, so a colour may cover 2^62 mm² times 10^7, far
// past 64 bits; 128 bits hold it.
__int128 TotalArea(const std::vector<TDenseItem>& AItems) {
    __int128 area = 0;
    for (const TDenseItem& i : AItems)
        if (i.Quantity > 0)
            area += static_cast<__int128>(SheetArea(i)) * i.Quantity;
    return area;
}

// Pallets of APerPallet each that the area of AItems fills, the last one started.
qint64 PalletsForArea(const std::vector<TDenseItem>& AItems, qint64 APerPallet) {
    return static_cast<qint64>((TotalArea(AItems) + APerPallet - 1) / APerPallet);
}

// Most sheets of AItem that free room of AFreeArea and AFreeRows takes, by either limit
// alone: at least as many sheets as stand in a row start only whole rows, fewer take one.
qint64 SheetsInRoom(const TDenseItem& AItem, qint64 AFreeArea, qint64 AFreeRows) {
    const qint64 sheet = SheetArea(AItem);
    const qint64 byRows = AFreeRows * SheetsPerRowRule(AItem.Height, 0);
    return std::min(byRows, sheet > 0 ? AFreeArea / sheet : Unlimited);
}

// The greatest common divisor of the sheet areas of AItems: every sum of sheets is a
// multiple of it. 0 when no sheet has an area.
qint64 AreaStep(const std::vector<TDenseItem>& AItems) {
    qint64 step = 0;
    for (const TDenseItem& i : AItems) {
        const qint64 sheet = SheetArea(i);
        if (i.Quantity > 0 && sheet > 0)
            step = std::gcd(step, sheet);
    }
    return step;
}

// Shifts TAreaSums::AddSheets makes for all sheets of AItems: one a bundle.
qint64 BundleCount(const std::vector<TDenseItem>& AItems) {
    qint64 bundles = 0;
    for (const TDenseItem& i : AItems)
        for (qint64 left = i.Quantity, b = 1; left > 0; left -= b, b *= 2)
            ++bundles;
    return bundles;
}

// The sums of sheet areas, in steps of AreaStep, that sheets make up to ATop, one bit a sum.
class TAreaSums {
public:
    static size_t Words(qint64 ATop) { return static_cast<size_t>(ATop / 64 + 1); }

    explicit TAreaSums(qint64 ATop) : FTop(ATop), FBits(Words(ATop), 0) { FBits[0] = 1; }

    // Every sum so far with up to AQuantity sheets of ASheet steps added. The sheets go as
    // bundles of 1, 2, 4... sheets and the rest, one shift a bundle: any number of them is
    // a sum of some bundles.
    void AddSheets(qint64 ASheet, qint64 AQuantity) {
        for (qint64 left = AQuantity, b = 1; left > 0; b *= 2) {
            const qint64 bundle = std::min(b, left);
            left -= bundle;
            const qint64 shift = bundle * ASheet;
            // The bundles after it are larger, or the rest that counts only beside it.
            if (shift > FTop)
                break;
            Add(shift);
        }
    }

    bool Reached(qint64 ASum) const { return (FBits[ASum / 64] >> (ASum % 64)) & 1u; }

    // The largest sum above 0 reached, 0 when there is none.
    qint64 Highest() const {
        for (qint64 sum = FTop; sum > 0; --sum)
            if (Reached(sum))
                return sum;
        return 0;
    }

private:
    void Add(qint64 AShift) {
        const size_t ws = static_cast<size_t>(AShift / 64);
        const unsigned bs = static_cast<unsigned>(AShift % 64);
        quint64* const bits = FBits.data();
        // From the top down, so every sum is extended by the bundle once. The shift is
        // at most FTop, so it stays within the words; the lowest word it reaches takes
        // no carry from below.
        for (size_t w = FBits.size() - 1; w > ws; --w) {
            quint64 v = bits[w - ws] << bs;
            if (bs != 0)
                v |= bits[w - ws - 1] >> (64 - bs);
            bits[w] |= v;
        }
        bits[ws] |= bits[0] << bs;
    }

    qint64 FTop;
    std::vector<quint64> FBits;
};

// The part of position APosition among AParts, their end when there is none.
template <typename TParts>
auto PartOf(TParts& AParts, int APosition) {
    return std::find_if(AParts.begin(), AParts.end(),
                        [APosition](const TDensePart& P) { return P.Position == APosition; });
}

// 0 to ACount - 1 sorted by ALess, equal ones in that order.
template <typename TLess>
std::vector<int> SortedIndices(size_t ACount, TLess ALess) {
    std::vector<int> order(ACount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), ALess);
    return order;
}

} // namespace

// A pallet left with less room than the smallest unit takes none again and is passed
// over from then on: a large position cut into thousands of full pallet loads costs one
// look a load, not one for every pallet made before it. The pallets still open are
// found through a skip list (path halving) over the pallets in order.
class TDensePacker::TOpenPallets {
public:
    explicit TOpenPallets(size_t ACount) : FNext(ACount + 1) {
        std::iota(FNext.begin(), FNext.end(), size_t(0));
    }

    // The first open pallet from APallet on; the count of pallets when none is.
    size_t From(size_t APallet) {
        while (FNext[APallet] != APallet) {
            FNext[APallet] = FNext[FNext[APallet]];
            APallet = FNext[APallet];
        }
        return APallet;
    }
    void Close(size_t APallet) { FNext[APallet] = APallet + 1; }
    // One more pallet, open, after the others.
    void Append() { FNext.push_back(FNext.size()); }

private:
    std::vector<size_t> FNext;
};

struct TDensePacker::TChoice {
    TPacking Packing;
    double Spread = 0;
    int PartTotal = 0;
};

TDensePacker::TDensePacker(const TDenseLimits& ALimits, std::function<void()> ACheckCanceled)
    : FLimits(ALimits), FCheckCanceled(std::move(ACheckCanceled)) {}

qint64 TDensePacker::Rows(qint64 ASheetHeight, qint64 ASheets) {
    if (ASheets <= 0)
        return 0;
    return CalculationRules::StartedRows(ASheets, SheetsPerRowRule(ASheetHeight, ASheets));
}

qint64 TDensePacker::LowerBound(const std::vector<TDenseItem>& AItems,
                                const TDenseLimits& ALimits) {
    if (AItems.empty())
        return 0;
    // Dividing a position never lowers its rows (every part starts its own), so the
    // rows of the whole positions bound every packing from below.
    qint64 rows = 0;
    for (const TDenseItem& i : AItems)
        if (i.Quantity > 0)
            rows += Rows(i.Height, i.Quantity);
    qint64 bound = 1;
    if (ALimits.AreaCapacity > 0)
        bound = std::max(bound, PalletsForArea(AItems, ALimits.AreaCapacity));
    if (ALimits.MaxRows > 0)
        bound = std::max(bound, (rows + ALimits.MaxRows - 1) / ALimits.MaxRows);
    return bound;
}

qint64 TDensePacker::HeaviestLoad(const std::vector<TDenseItem>& AItems,
                                  const TDenseLimits& ALimits) {
    const qint64 capacity = ALimits.AreaCapacity;
    if (capacity <= 0 || capacity >= Unlimited)
        return capacity;
    const qint64 step = AreaStep(AItems);
    if (step == 0)
        return 0;
    const qint64 top = capacity / step;
    if (top > (qint64(1) << 24) ||
        static_cast<double>(BundleCount(AItems)) * TAreaSums::Words(top) > 2.0e7)
        return capacity;
    TAreaSums sums(top);
    for (const TDenseItem& i : AItems) {
        const qint64 sheet = SheetArea(i) / step;
        if (i.Quantity <= 0 || sheet <= 0)
            continue;
        sums.AddSheets(sheet, i.Quantity);
        if (sums.Reached(top))
            return top * step;
    }
    return sums.Highest() * step;
}

qint64 TDensePacker::ProvenBound(const std::vector<TDenseItem>& AItems,
                                 const TDenseLimits& ALimits) {
    const qint64 bound = LowerBound(AItems, ALimits);
    const qint64 heaviest = HeaviestLoad(AItems, ALimits);
    if (heaviest <= 0 || heaviest >= ALimits.AreaCapacity)
        return bound;
    return std::max(bound, PalletsForArea(AItems, heaviest));
}

std::vector<TDensePallet> TDensePacker::Pack(const std::vector<TDenseItem>& AItems) {
    FItems = AItems;
    const std::vector<int> empty = CutUnits();
    TPacking best;
    if (!FUnits.empty()) {
        best = BestWholePacking();
        SearchFewerPallets(best);
    }
    JoinParts(best);
    return Pallets(best, empty);
}

void TDensePacker::CheckCanceled() const {
    if (FCheckCanceled)
        FCheckCanceled();
}

std::vector<int> TDensePacker::CutUnits() {
    FUnits.clear();
    std::vector<int> empty;
    const double area = static_cast<double>(FLimits.AreaCapacity);
    const double rows = static_cast<double>(FLimits.MaxRows);
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TDenseItem& item = FItems[i];
        if (item.Quantity <= 0) {
            empty.push_back(static_cast<int>(i));
            continue;
        }
        // A position no pallet carries whole is cut into full pallet loads first.
        const qint64 load =
            std::max<qint64>(1, SheetsInRoom(item, FLimits.AreaCapacity, FLimits.MaxRows));
        for (qint64 left = item.Quantity; left > 0; left -= FUnits.back().Quantity) {
            TUnit u;
            u.Item = static_cast<int>(i);
            u.Quantity = std::min(left, load);
            u.Area = SheetArea(item) * u.Quantity;
            u.Rows = Rows(item.Height, u.Quantity);
            u.Size = std::max(u.Area / area, u.Rows / rows);
            FUnits.push_back(u);
        }
    }
    return empty;
}

TDensePacker::TPacking TDensePacker::BestWholePacking() const {
    TPacking best;
    double bestSpread = 0;
    for (const bool bestFit : {false, true}) {
        for (const std::vector<int>& order : {ByLength(), BySize(0)}) {
            TPacking p;
            PackWhole(order, -1, bestFit, p);
            const double spread = LengthSpread(p);
            if (best.empty() || p.size() < best.size() ||
                (p.size() == best.size() && spread < bestSpread)) {
                best = std::move(p);
                bestSpread = spread;
            }
        }
    }
    return best;
}

void TDensePacker::SearchFewerPallets(TPacking& ABest) const {
    const qint64 bound = LowerBound(FItems, FLimits);
    // Where the sheets cannot make up a full pallet's weight, the counts below what that
    // allows are not worth a try.
    const qint64 first =
        static_cast<qint64>(ABest.size()) > bound ? ProvenBound(FItems, FLimits) : bound;
    const qint64 last = FUnits.size() > SearchedUnits ? first : static_cast<qint64>(ABest.size());
    // Pallets filled one after the other, dividing what overflows: no whole packing, but
    // close to the bound where both limits are nearly reached. Made when first wanted:
    // where the other packings reach the count it is not.
    std::optional<TPacking> filling;
    for (qint64 count = first; count < last; ++count) {
        CheckCanceled();
        TPacking found = PackAtCount(static_cast<int>(count));
        if (found.empty()) {
            if (!filling)
                filling = FillingPacking();
            if (static_cast<qint64>(filling->size()) <= count) {
                JoinParts(*filling);
                found = std::move(*filling);
            }
        }
        if (!found.empty()) {
            ABest = std::move(found);
            return;
        }
    }
}

TDensePacker::TPacking TDensePacker::PackAtCount(int ABins) const {
    TChoice found;
    std::vector<std::vector<int>> orders = {ByLength(), BySize(0)};
    for (unsigned seed = 1; seed <= ShuffledTries; ++seed)
        orders.push_back(BySize(seed));
    for (size_t o = 0; o < orders.size(); ++o) {
        TPacking p;
        if (PackWhole(orders[o], ABins, true, p))
            Offer(p, found);
        // First fit in the two plain orders fills the pallets as it did in
        // BestWholePacking, which needed more of them than this.
        if (o >= 2 && PackWhole(orders[o], ABins, false, p))
            Offer(p, found);
    }
    // Pallet by pallet, each as full as the units left allow, until one fits.
    if (found.Packing.empty())
        TrySequential(ABins, false, found);
    if (found.Packing.empty()) {
        // Dividing a position is worth it here: no whole packing of this count. Large
        // sheets placed first leave the gaps to the small ones, which fill them more
        // closely.
        orders.insert(orders.begin(), BySheet());
        for (const std::vector<int>& order : orders) {
            TPacking p;
            if (PackDivided(order, ABins, p))
                Offer(p, found);
        }
        TrySequential(ABins, true, found);
    }
    return std::move(found.Packing);
}

void TDensePacker::TrySequential(int ABins, bool ADivide, TChoice& AChoice) const {
    for (unsigned seed = 0; seed <= SequentialTries && AChoice.Packing.empty(); ++seed) {
        CheckCanceled();
        TPacking p;
        if (PackSequential(seed, ABins, ADivide, SequentialNodes, p))
            Offer(p, AChoice);
    }
}

void TDensePacker::Offer(TPacking& ACandidate, TChoice& AChoice) const {
    JoinParts(ACandidate);
    const double spread = LengthSpread(ACandidate);
    const int parts = PartCount(ACandidate);
    if (AChoice.Packing.empty() || parts < AChoice.PartTotal ||
        (parts == AChoice.PartTotal && spread < AChoice.Spread)) {
        AChoice.Packing = std::move(ACandidate);
        AChoice.Spread = spread;
        AChoice.PartTotal = parts;
    }
}

TDensePacker::TPacking TDensePacker::FillingPacking() const {
    TPacking filling;
    for (const std::vector<int>& order : {ByLength(), BySheet()}) {
        TPacking p;
        PackFilling(order, p);
        if (filling.empty() || p.size() < filling.size())
            filling = std::move(p);
    }
    return filling;
}

std::vector<TDensePallet> TDensePacker::Pallets(TPacking& APacking,
                                                const std::vector<int>& AEmpty) const {
    if (!AEmpty.empty()) {
        if (APacking.empty())
            APacking.emplace_back();
        for (const int i : AEmpty)
            APacking.front().Parts.push_back({i, FItems[i].Quantity});
    }
    std::vector<TDensePallet> pallets;
    pallets.reserve(APacking.size());
    for (TBin& bin : APacking) {
        if (bin.Parts.empty())
            continue;
        for (TDensePart& part : bin.Parts)
            part.Position = FItems[part.Position].Position;
        pallets.push_back(std::move(bin.Parts));
    }
    return pallets;
}

void TDensePacker::Place(TBin& ABin, const TUnit& AUnit) const {
    ABin.Area += AUnit.Area;
    const auto part = PartOf(ABin.Parts, AUnit.Item);
    if (part == ABin.Parts.end()) {
        ABin.Rows += AUnit.Rows;
        ABin.Parts.push_back({AUnit.Item, AUnit.Quantity});
        return;
    }
    // Two loads of one position on one pallet stand as one stack.
    const qint64 height = FItems[AUnit.Item].Height;
    ABin.Rows -= Rows(height, part->Quantity);
    part->Quantity += AUnit.Quantity;
    ABin.Rows += Rows(height, part->Quantity);
}

qint64 TDensePacker::SheetsThatFit(const TBin& ABin, const TUnit& AUnit) const {
    const qint64 freeRows = FLimits.MaxRows - ABin.Rows;
    const qint64 freeArea = FLimits.AreaCapacity - ABin.Area;
    if (freeRows <= 0 || freeArea < 0)
        return 0;
    return std::min(SheetsInRoom(FItems[AUnit.Item], freeArea, freeRows), AUnit.Quantity);
}

TDensePacker::TUnit TDensePacker::WithSheets(const TUnit& AUnit, qint64 ASheets) const {
    const TDenseItem& item = FItems[AUnit.Item];
    TUnit unit = AUnit;
    unit.Quantity = ASheets;
    unit.Area = SheetArea(item) * ASheets;
    unit.Rows = Rows(item.Height, ASheets);
    return unit;
}

bool TDensePacker::PackWhole(const std::vector<int>& AOrder, int ABins, bool ABestFit,
                             TPacking& AOut) const {
    AOut.assign(ABins > 0 ? ABins : 0, TBin());
    qint64 leastArea = Unlimited;
    qint64 leastRows = Unlimited;
    for (const int u : AOrder) {
        leastArea = std::min(leastArea, FUnits[u].Area);
        leastRows = std::min(leastRows, FUnits[u].Rows);
    }
    TOpenPallets open(AOut.size());
    for (const int u : AOrder) {
        const TUnit& unit = FUnits[u];
        int chosen = PalletFor(AOut, open, unit, ABestFit);
        if (chosen < 0) {
            if (ABins >= 0)
                return false;
            AOut.emplace_back();
            open.Append();
            chosen = static_cast<int>(AOut.size()) - 1;
        }
        Place(AOut[chosen], unit);
        if (!Fits(AOut[chosen], leastArea, leastRows))
            open.Close(static_cast<size_t>(chosen));
    }
    return true;
}

int TDensePacker::PalletFor(const TPacking& APacking, TOpenPallets& AOpen, const TUnit& AUnit,
                            bool ABestFit) const {
    int chosen = -1;
    double fullest = -1;
    for (size_t b = AOpen.From(0); b < APacking.size(); b = AOpen.From(b + 1)) {
        if (!Fits(APacking[b], AUnit.Area, AUnit.Rows))
            continue;
        if (!ABestFit)
            return static_cast<int>(b);
        const double load = LoadWith(APacking[b], AUnit);
        if (load > fullest) {
            fullest = load;
            chosen = static_cast<int>(b);
        }
    }
    return chosen;
}

bool TDensePacker::PackDivided(const std::vector<int>& AOrder, int ABins, TPacking& AOut) const {
    AOut.assign(ABins, TBin());
    std::vector<int> left;
    for (const int u : AOrder) {
        const int b = BestFit(AOut, FUnits[u]);
        if (b < 0)
            left.push_back(u);
        else
            Place(AOut[b], FUnits[u]);
    }
    for (const int u : left)
        if (!PlaceDivided(FUnits[u], AOut))
            return false;
    return true;
}

int TDensePacker::BestFit(const TPacking& APacking, const TUnit& AUnit) const {
    // Every pallet is looked at: one too full for any whole unit may still take a part.
    int chosen = -1;
    double fullest = -1;
    for (size_t b = 0; b < APacking.size(); ++b) {
        if (!Fits(APacking[b], AUnit.Area, AUnit.Rows))
            continue;
        const double load = LoadWith(APacking[b], AUnit);
        if (load > fullest) {
            fullest = load;
            chosen = static_cast<int>(b);
        }
    }
    return chosen;
}

bool TDensePacker::PlaceDivided(const TUnit& AUnit, TPacking& APacking) const {
    // Where most of it fits, then the rest further on: as few parts as the free room
    // allows.
    TUnit rest = AUnit;
    while (rest.Quantity > 0) {
        const int whole = BestFit(APacking, rest);
        if (whole >= 0) {
            Place(APacking[whole], rest);
            return true;
        }
        int chosen = -1;
        qint64 most = 0;
        for (size_t b = 0; b < APacking.size(); ++b) {
            const qint64 sheets = SheetsThatFit(APacking[b], rest);
            if (sheets > most) {
                most = sheets;
                chosen = static_cast<int>(b);
            }
        }
        if (chosen < 0)
            return false;
        Place(APacking[chosen], WithSheets(rest, most));
        rest = WithSheets(rest, rest.Quantity - most);
    }
    return true;
}

void TDensePacker::PackFilling(const std::vector<int>& AOrder, TPacking& AOut) const {
    AOut.clear();
    // Among units alike in what they take, the first in AOrder.
    std::vector<TUnit> pool;
    pool.reserve(FUnits.size());
    for (const int u : AOrder)
        pool.push_back(FUnits[u]);
    size_t left = pool.size();
    AOut.emplace_back();
    while (left > 0) {
        TBin& bin = AOut.back();
        const int chosen = LeaningUnit(bin, pool);
        if (chosen < 0) {
            AOut.emplace_back();
            continue;
        }
        TUnit& u = pool[chosen];
        if (Fits(bin, u.Area, u.Rows)) {
            Place(bin, u);
            u.Quantity = 0;
            --left;
            continue;
        }
        const TUnit part = WithSheets(u, SheetsThatFit(bin, u));
        Place(bin, part);
        u = WithSheets(u, u.Quantity - part.Quantity);
    }
    if (AOut.back().Parts.empty())
        AOut.pop_back();
}

int TDensePacker::LeaningUnit(const TBin& ABin, const std::vector<TUnit>& APool) const {
    const double area = static_cast<double>(FLimits.AreaCapacity);
    const double rows = static_cast<double>(FLimits.MaxRows);
    // Whichever limit the pallet is further from is the one to spend next: a unit that
    // takes more of it than of the other.
    const bool wantRows = ABin.Area / area > ABin.Rows / rows;
    int chosen = -1;
    double bestLean = -1e300;
    for (size_t i = 0; i < APool.size(); ++i) {
        const TUnit& u = APool[i];
        if (u.Quantity <= 0 || SheetsThatFit(ABin, u) <= 0)
            continue;
        const double a = u.Area / area;
        const double r = u.Rows / rows;
        const double lean = wantRows ? r - a : a - r;
        if (lean > bestLean + 1e-12) {
            bestLean = lean;
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

// One pallet-by-pallet packing: the sheets left of every unit and, for the pallet being
// filled, the units that still have sheets (the pool) and the best choice among them.
class TDensePacker::TSequentialPacking {
public:
    TSequentialPacking(const TDensePacker& APacker, unsigned ASeed, bool ADivide, int ABudget);

    // Fills the empty pallets of AOut in order; false when the units do not go on them.
    bool Run(TPacking& AOut);

private:
    // What the pallet being filled is measured by: the room the pallets after it leave
    // for the rest, and which limits count for the room it leaves unused.
    struct TGoal {
        double AreaAfter = 0;
        double RowsAfter = 0;
        double AreaWeight = 0;
        double RowsWeight = 0;
        double AreaUnit = 0;
        double RowsUnit = 0;
    };
    // The best choice for the pallet: whole units (indices into the pool) and, Split at
    // least 0, SplitSheets sheets of one more.
    struct TBest {
        double Score = std::numeric_limits<double>::infinity();
        std::vector<int> Chosen;
        int Split = -1;
        qint64 SplitSheets = 0;
    };
    // One walk through the subsets of the pool.
    struct TWalk {
        bool TopUp = false; // every subset also with the best part of one unit left out
        qint64 WorkLimit = 0;
        qint64 OpenSheets = 0; // > 0: the opener goes on with so many of its sheets only
        qint64 Credit = 0;     // rows the opener's cut spares the colour
        qint64 Work = 0;
        bool Stop = false;
    };

    const TDenseItem& ItemOf(int AUnit) const { return FPacker.FItems[FPacker.FUnits[AUnit].Item]; }
    qint64 RowsOf(int AUnit, qint64 ASheets) const { return Rows(ItemOf(AUnit).Height, ASheets); }

    // The units with sheets left, in their order; false when there are none.
    bool CollectPool();
    // All that is left onto the last pallet; false when it does not fit.
    bool TakeTheRest(TBin& ABin);
    // The best choice from the pool onto ABin, ABinsLeft pallets counting it; false when
    // no choice leaves a rest the pallets after it can take.
    bool FillPallet(TBin& ABin, int ABinsLeft);
    // False when the colour needs more room than ABinsLeft pallets have.
    bool SetGoal(int ABinsLeft);
    // Room left unused, as a share of what this pallet may leave: at most 1 keeps the
    // rest packable on the pallets after it.
    double Score(qint64 AArea, qint64 ARows) const;
    // The pallets after this one can take the rest.
    bool Feasible(qint64 AArea, qint64 ARows) const;
    void SortPool();
    void ChooseOpener();
    void MeasurePool();
    // The walks through the subsets, the later ones only while the best is poor.
    void SearchPallet();
    void Walk(bool ATopUp, bool AOpen, qint64 AWorkLimit, qint64 AOpenSheets);
    // Weighs the subset chosen so far, then each subset with one more unit from AFrom on.
    void Extend(size_t AFrom, qint64 AArea, qint64 ARows);
    void Visit(qint64 AArea, qint64 ABinRows);
    void TopUp(qint64 AArea, qint64 ABinRows, qint64 ARows);
    // Nothing from AFrom on beats the best: the rest of the pool taken together.
    bool BeyondReach(size_t AFrom, qint64 AArea, qint64 ARows) const;
    void Offer(double AScore, int ASplit, qint64 ASplitSheets);
    void PlaceBest(TBin& ABin);

    const TDensePacker& FPacker;
    const TDenseLimits& FLimits;
    const double FCapArea;
    const double FCapRows;
    const bool FDivide;
    const int FBudget;
    std::vector<qint64> FSheetsLeft; // per unit
    double FAreaLeft = 0;
    qint64 FRowsLeft = 0;
    std::vector<double> FNoise; // per unit, weights on its size

    // The pallet being filled.
    std::vector<int> FPool;
    std::vector<double> FKey; // per unit: its area or rows left, whichever counts
    std::vector<qint64> FPoolArea;
    std::vector<qint64> FPoolRows;
    std::vector<qint64> FTailArea; // of the pool from an index on
    std::vector<qint64> FTailRows;
    std::vector<char> FTaken; // per index into the pool
    std::vector<int> FChosen;
    size_t FOpener = 0;
    bool FByArea = false;
    TGoal FGoal;
    TBest FBest;
    TWalk FWalk;
};

TDensePacker::TSequentialPacking::TSequentialPacking(const TDensePacker& APacker, unsigned ASeed,
                                                     bool ADivide, int ABudget)
    : FPacker(APacker), FLimits(APacker.FLimits),
      FCapArea(static_cast<double>(APacker.FLimits.AreaCapacity)),
      FCapRows(static_cast<double>(APacker.FLimits.MaxRows)), FDivide(ADivide), FBudget(ABudget),
      FSheetsLeft(APacker.FUnits.size()), FNoise(APacker.FUnits.size(), 1.0),
      FKey(APacker.FUnits.size()), FTaken(APacker.FUnits.size(), 0) {
    for (size_t u = 0; u < FPacker.FUnits.size(); ++u) {
        FSheetsLeft[u] = FPacker.FUnits[u].Quantity;
        FAreaLeft += static_cast<double>(FPacker.FUnits[u].Area);
        FRowsLeft += FPacker.FUnits[u].Rows;
    }
    // Random weights on the units' sizes vary the opener from one try to the next.
    if (ASeed != 0) {
        const std::vector<double> draws = RandomDraws(ASeed, FNoise.size());
        for (size_t u = 0; u < FNoise.size(); ++u)
            FNoise[u] = SizeFactor(draws[u]);
    }
}

bool TDensePacker::TSequentialPacking::Run(TPacking& AOut) {
    const int last = static_cast<int>(AOut.size()) - 1;
    for (int b = 0; b < last; ++b) {
        if (!CollectPool())
            return true;
        if (!FillPallet(AOut[b], last + 1 - b))
            return false;
    }
    return !CollectPool() || TakeTheRest(AOut[last]);
}

bool TDensePacker::TSequentialPacking::CollectPool() {
    FPool.clear();
    for (size_t u = 0; u < FSheetsLeft.size(); ++u)
        if (FSheetsLeft[u] > 0)
            FPool.push_back(static_cast<int>(u));
    return !FPool.empty();
}

bool TDensePacker::TSequentialPacking::TakeTheRest(TBin& ABin) {
    for (const int u : FPool) {
        const TUnit unit = FPacker.WithSheets(FPacker.FUnits[u], FSheetsLeft[u]);
        if (!FPacker.Fits(ABin, unit.Area, 0))
            return false;
        FPacker.Place(ABin, unit);
        FSheetsLeft[u] = 0;
    }
    return ABin.Rows <= FLimits.MaxRows;
}

bool TDensePacker::TSequentialPacking::FillPallet(TBin& ABin, int ABinsLeft) {
    if (!SetGoal(ABinsLeft))
        return false;
    SortPool();
    ChooseOpener();
    MeasurePool();
    FBest = TBest();
    SearchPallet();
    if (FBest.Chosen.empty() && FBest.Split < 0)
        return false;
    PlaceBest(ABin);
    return true;
}

bool TDensePacker::TSequentialPacking::SetGoal(int ABinsLeft) {
    // This pallet's fair share of the room the whole colour leaves free under each limit.
    const double areaShare = (ABinsLeft * FCapArea - FAreaLeft) / ABinsLeft;
    const double rowsShare = (ABinsLeft * FCapRows - static_cast<double>(FRowsLeft)) / ABinsLeft;
    if (areaShare < 0 || rowsShare < 0)
        return false;
    FGoal.AreaAfter = (ABinsLeft - 1) * FCapArea;
    FGoal.RowsAfter = static_cast<double>(ABinsLeft - 1) * FCapRows;
    // Only the tighter limit counts, and the other one too when it is nearly as tight;
    // the other's free room need only last over all pallets, which Feasible keeps.
    const double areaFree = areaShare / FCapArea;
    const double rowsFree = rowsShare / FCapRows;
    FGoal.AreaWeight = areaFree <= 1.5 * rowsFree ? 1.0 : 0.0;
    FGoal.RowsWeight = rowsFree <= 1.5 * areaFree ? 1.0 : 0.0;
    FGoal.AreaUnit = std::max(areaShare, 1.0);
    FGoal.RowsUnit = std::max(rowsShare, 0.5);
    return true;
}

double TDensePacker::TSequentialPacking::Score(qint64 AArea, qint64 ARows) const {
    const double areaWaste = FCapArea - static_cast<double>(AArea);
    const double rowsWaste = FCapRows - static_cast<double>(ARows);
    return std::max(FGoal.AreaWeight * areaWaste / FGoal.AreaUnit,
                    FGoal.RowsWeight * rowsWaste / FGoal.RowsUnit);
}

bool TDensePacker::TSequentialPacking::Feasible(qint64 AArea, qint64 ARows) const {
    return FAreaLeft - static_cast<double>(AArea) <= FGoal.AreaAfter &&
           static_cast<double>(FRowsLeft - ARows) <= FGoal.RowsAfter;
}

void TDensePacker::TSequentialPacking::SortPool() {
    // Largest first in the limit that counts, so that the units that still fit the room
    // left start where the room is.
    FByArea = FGoal.AreaWeight > 0;
    for (const int u : FPool)
        FKey[u] = FByArea ? static_cast<double>(SheetArea(ItemOf(u)) * FSheetsLeft[u])
                          : static_cast<double>(RowsOf(u, FSheetsLeft[u]));
    std::stable_sort(FPool.begin(), FPool.end(), [this](int A, int B) { return FKey[A] > FKey[B]; });
}

void TDensePacker::TSequentialPacking::ChooseOpener() {
    // The largest in what counts, with the random weights.
    FOpener = 0;
    double openerKey = -1;
    for (size_t i = 0; i < FPool.size(); ++i) {
        const int u = FPool[i];
        const double k =
            FNoise[u] *
            std::max(FGoal.AreaWeight * SheetArea(ItemOf(u)) * FSheetsLeft[u] / FCapArea,
                     FGoal.RowsWeight * RowsOf(u, FSheetsLeft[u]) / FCapRows);
        if (k > openerKey) {
            openerKey = k;
            FOpener = i;
        }
    }
}

void TDensePacker::TSequentialPacking::MeasurePool() {
    const size_t n = FPool.size();
    FPoolArea.assign(n, 0);
    FPoolRows.assign(n, 0);
    FTailArea.assign(n + 1, 0);
    FTailRows.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        FPoolArea[i] = SheetArea(ItemOf(FPool[i])) * FSheetsLeft[FPool[i]];
        FPoolRows[i] = RowsOf(FPool[i], FSheetsLeft[FPool[i]]);
    }
    for (size_t i = n; i-- > 0;) {
        FTailArea[i] = std::min(Unlimited, FTailArea[i + 1] + FPoolArea[i]);
        FTailRows[i] = FTailRows[i + 1] + FPoolRows[i];
    }
}

void TDensePacker::TSequentialPacking::SearchPallet() {
    // A subset weighed costs 16, a unit passed over or a part tried 1; a top-up goes
    // through the pool a few times at least.
    const qint64 work = 16 * static_cast<qint64>(FBudget);
    Walk(false, true, work, 0);
    const qint64 topUpWork = std::max<qint64>(work / 2, 4 * static_cast<qint64>(FPool.size()));
    if (FDivide && FBest.Score > 1.0)
        Walk(true, true, topUpWork, 0);
    // A full pallet load cut off a large position leaves less than a sheet of it free,
    // often less than any other sheet: some sheets of it fewer leave room that the small
    // positions fill, the rest stays for a later pallet.
    const qint64 openerSheets = FSheetsLeft[FPool[FOpener]];
    for (qint64 fewer = 1; FDivide && FBest.Score > 1.0 && fewer <= FewerOpenerSheets &&
                           fewer < openerSheets;
         ++fewer)
        Walk(false, true, work / 2, openerSheets - fewer);
    // The largest unit may be one that fills the rows of a pallet and leaves its weight
    // short, which only a part of it can avoid.
    if (FDivide && FBest.Score > 1.0)
        Walk(true, false, topUpWork, 0);
}

void TDensePacker::TSequentialPacking::Walk(bool ATopUp, bool AOpen, qint64 AWorkLimit,
                                            qint64 AOpenSheets) {
    FWalk = TWalk();
    FWalk.TopUp = ATopUp;
    FWalk.WorkLimit = AWorkLimit;
    FWalk.OpenSheets = AOpenSheets;
    const int opener = FPool[FOpener];
    if (AOpenSheets > 0) {
        // The rest of the opener stays for the pallets after, where it may start a row
        // anew: its rows then take fewer rows off the colour than it stands on here.
        FWalk.Credit = RowsOf(opener, AOpenSheets) -
                       (FPoolRows[FOpener] - RowsOf(opener, FSheetsLeft[opener] - AOpenSheets));
        FChosen.clear();
        FTaken[FOpener] = 1;
        Extend(0, SheetArea(ItemOf(opener)) * AOpenSheets, RowsOf(opener, AOpenSheets));
        FTaken[FOpener] = 0;
    } else if (AOpen) {
        FChosen.assign(1, static_cast<int>(FOpener));
        FTaken[FOpener] = 1;
        Extend(0, FPoolArea[FOpener], FPoolRows[FOpener]);
        FTaken[FOpener] = 0;
    } else {
        FChosen.clear();
        Extend(0, 0, 0);
    }
}

void TDensePacker::TSequentialPacking::Extend(size_t AFrom, qint64 AArea, qint64 ARows) {
    // Rows taken here count the stacks as started rows of each unit; two units of one
    // position on one pallet stand as one stack and may take fewer.
    Visit(AArea, ARows);
    // Those too large for the room left are passed over at once.
    const qint64 room = FByArea ? FLimits.AreaCapacity - AArea : FLimits.MaxRows - ARows;
    const auto fitting =
        std::partition_point(FPool.begin() + static_cast<std::ptrdiff_t>(AFrom), FPool.end(),
                             [&](int AUnit) { return FKey[AUnit] > static_cast<double>(room); });
    const size_t n = FPool.size();
    for (size_t j = static_cast<size_t>(fitting - FPool.begin()); j < n && !FWalk.Stop; ++j) {
        // A unit passed over costs little beside a subset weighed.
        if (++FWalk.Work > FWalk.WorkLimit) {
            FWalk.Stop = true;
            break;
        }
        if (FTaken[j])
            continue;
        if (!FWalk.TopUp && BeyondReach(j, AArea, ARows))
            break;
        if (AArea + FPoolArea[j] > FLimits.AreaCapacity || ARows + FPoolRows[j] > FLimits.MaxRows)
            continue;
        FWalk.Work += 15;
        FTaken[j] = 1;
        FChosen.push_back(static_cast<int>(j));
        Extend(j + 1, AArea + FPoolArea[j], ARows + FPoolRows[j]);
        FChosen.pop_back();
        FTaken[j] = 0;
    }
}

void TDensePacker::TSequentialPacking::Visit(qint64 AArea, qint64 ABinRows) {
    const qint64 rows = ABinRows - FWalk.Credit;
    if (Feasible(AArea, rows))
        Offer(Score(AArea, rows), FWalk.OpenSheets > 0 ? static_cast<int>(FOpener) : -1,
              FWalk.OpenSheets);
    if (FWalk.TopUp)
        TopUp(AArea, ABinRows, rows);
    if (FBest.Score <= 0.05)
        FWalk.Stop = true;
}

void TDensePacker::TSequentialPacking::TopUp(qint64 AArea, qint64 ABinRows, qint64 ARows) {
    for (size_t k = 0; k < FPool.size(); ++k) {
        if (FTaken[k])
            continue;
        ++FWalk.Work;
        const int u = FPool[k];
        const TDenseItem& item = ItemOf(u);
        const qint64 sheets =
            std::min(FSheetsLeft[u] - 1, SheetsInRoom(item, FLimits.AreaCapacity - AArea,
                                                       FLimits.MaxRows - ABinRows));
        if (sheets <= 0)
            continue;
        const qint64 area = AArea + SheetArea(item) * sheets;
        // The rows this pallet takes off the colour: the part's own, less the row the
        // rest may now start anew.
        const qint64 rows = ARows + FPoolRows[k] - RowsOf(u, FSheetsLeft[u] - sheets);
        if (ABinRows + RowsOf(u, sheets) > FLimits.MaxRows || !Feasible(area, rows))
            continue;
        Offer(Score(area, rows), static_cast<int>(k), sheets);
    }
}

bool TDensePacker::TSequentialPacking::BeyondReach(size_t AFrom, qint64 AArea,
                                                   qint64 ARows) const {
    const qint64 reachArea = std::min(Unlimited, AArea + FTailArea[AFrom]);
    const qint64 reachRows = ARows + FTailRows[AFrom];
    return Score(std::min(reachArea, FLimits.AreaCapacity),
                 std::min<qint64>(reachRows - FWalk.Credit, FLimits.MaxRows)) >= FBest.Score;
}

void TDensePacker::TSequentialPacking::Offer(double AScore, int ASplit, qint64 ASplitSheets) {
    if (AScore < FBest.Score) {
        FBest.Score = AScore;
        FBest.Chosen = FChosen;
        FBest.Split = ASplit;
        FBest.SplitSheets = ASplitSheets;
    }
}

void TDensePacker::TSequentialPacking::PlaceBest(TBin& ABin) {
    for (const int k : FBest.Chosen) {
        const int u = FPool[k];
        FPacker.Place(ABin, FPacker.WithSheets(FPacker.FUnits[u], FSheetsLeft[u]));
        FAreaLeft -= static_cast<double>(FPoolArea[k]);
        FRowsLeft -= FPoolRows[k];
        FSheetsLeft[u] = 0;
    }
    if (FBest.Split >= 0) {
        const int u = FPool[FBest.Split];
        const qint64 sheets = FBest.SplitSheets;
        const TUnit part = FPacker.WithSheets(FPacker.FUnits[u], sheets);
        FPacker.Place(ABin, part);
        FAreaLeft -= static_cast<double>(part.Area);
        FRowsLeft += RowsOf(u, FSheetsLeft[u] - sheets) - FPoolRows[FBest.Split];
        FSheetsLeft[u] -= sheets;
    }
}

bool TDensePacker::PackSequential(unsigned ASeed, int ABins, bool ADivide, int ABudget,
                                  TPacking& AOut) const {
    AOut.assign(ABins > 0 ? ABins : 0, TBin());
    if (ABins <= 0)
        return FUnits.empty();
    return TSequentialPacking(*this, ASeed, ADivide, ABudget).Run(AOut);
}

void TDensePacker::JoinParts(TPacking& APacking) const {
    std::vector<std::vector<int>> on(FItems.size()); // the pallets of each position
    for (size_t b = 0; b < APacking.size(); ++b)
        for (const TDensePart& p : APacking[b].Parts)
            on[p.Position].push_back(static_cast<int>(b));
    for (size_t item = 0; item < on.size(); ++item)
        if (on[item].size() >= 2)
            JoinPosition(static_cast<int>(item), on[item], APacking);
    APacking.erase(std::remove_if(APacking.begin(), APacking.end(),
                                  [](const TBin& B) { return B.Parts.empty(); }),
                   APacking.end());
}

void TDensePacker::JoinPosition(int AItem, std::vector<int>& AOn, TPacking& APacking) const {
    const auto sheetsOn = [&](int APallet) {
        return PartOf(APacking[APallet].Parts, AItem)->Quantity;
    };
    // The smaller parts first: they find room most easily.
    std::stable_sort(AOn.begin(), AOn.end(),
                     [&](int A, int B) { return sheetsOn(A) < sheetsOn(B); });
    const std::vector<size_t> targets = JoinTargets(AItem, AOn, APacking);
    for (size_t a = 0; a < AOn.size(); ++a) {
        for (const size_t t : targets) {
            // A pallet that gave its part away is no longer among the position's.
            if (t == a || AOn[t] < 0)
                continue;
            if (JoinPart(AItem, APacking[AOn[a]], APacking[AOn[t]])) {
                AOn[a] = -1;
                break;
            }
        }
    }
}

std::vector<size_t> TDensePacker::JoinTargets(int AItem, const std::vector<int>& AOn,
                                              const TPacking& APacking) const {
    // Only a pallet with the weight and the rows left for the smallest part can take
    // one, and a pallet's room only shrinks while the position's parts are joined (one
    // that gives its part away is no longer among them): the others need no look, and a
    // position cut into full loads lies on thousands of pallets. Joining q sheets to a
    // stack of s adds ceil((s + q) / n) - ceil(s / n) >= ceil(q / n) - 1 rows at n
    // sheets a row.
    const TDenseItem& item = FItems[AItem];
    const qint64 smallest = PartOf(APacking[AOn.front()].Parts, AItem)->Quantity;
    const qint64 perRow = SheetsPerRowRule(item.Height, 0);
    const qint64 addedRows = (smallest + perRow - 1) / perRow - 1;
    const qint64 addedArea = SheetArea(item) * smallest;
    std::vector<size_t> targets;
    for (size_t t = 0; t < AOn.size(); ++t) {
        const TBin& to = APacking[AOn[t]];
        if (addedArea <= FLimits.AreaCapacity - to.Area &&
            to.Rows + addedRows <= FLimits.MaxRows)
            targets.push_back(t);
    }
    return targets;
}

bool TDensePacker::JoinPart(int AItem, TBin& AFrom, TBin& ATo) const {
    const qint64 height = FItems[AItem].Height;
    const auto moving = PartOf(AFrom.Parts, AItem);
    const auto staying = PartOf(ATo.Parts, AItem);
    const qint64 sheets = moving->Quantity;
    const qint64 area = SheetArea(FItems[AItem]) * sheets;
    const qint64 rows =
        ATo.Rows - Rows(height, staying->Quantity) + Rows(height, staying->Quantity + sheets);
    if (ATo.Area + area > FLimits.AreaCapacity || rows > FLimits.MaxRows)
        return false;
    ATo.Area += area;
    ATo.Rows = rows;
    staying->Quantity += sheets;
    AFrom.Area -= area;
    AFrom.Rows -= Rows(height, sheets);
    AFrom.Parts.erase(moving);
    return true;
}

double TDensePacker::LengthSpread(const TPacking& APacking) const {
    double spread = 0;
    for (const TBin& bin : APacking) {
        qint64 shortest = Unlimited;
        qint64 longest = -Unlimited;
        for (const TDensePart& p : bin.Parts) {
            shortest = std::min(shortest, FItems[p.Position].Length);
            longest = std::max(longest, FItems[p.Position].Length);
        }
        if (!bin.Parts.empty())
            spread += static_cast<double>(longest - shortest);
    }
    return spread;
}

int TDensePacker::PartCount(const TPacking& APacking) const {
    int count = 0;
    for (const TBin& bin : APacking)
        count += static_cast<int>(bin.Parts.size());
    return count;
}

std::vector<int> TDensePacker::ByLength() const {
    return SortedIndices(FUnits.size(), [this](int A, int B) {
        const TDenseItem& a = FItems[FUnits[A].Item];
        const TDenseItem& b = FItems[FUnits[B].Item];
        if (a.Length != b.Length)
            return a.Length > b.Length;
        return FUnits[A].Size > FUnits[B].Size;
    });
}

std::vector<int> TDensePacker::BySheet() const {
    const double area = static_cast<double>(FLimits.AreaCapacity);
    const double rows = static_cast<double>(FLimits.MaxRows);
    std::vector<double> key(FUnits.size());
    for (size_t i = 0; i < FUnits.size(); ++i) {
        const TDenseItem& item = FItems[FUnits[i].Item];
        key[i] = std::max(SheetArea(item) / area,
                          1.0 / (SheetsPerRowRule(item.Height, 0) * rows));
    }
    return SortedIndices(FUnits.size(), [&](int A, int B) {
        return key[A] != key[B] ? key[A] > key[B] : FUnits[A].Size > FUnits[B].Size;
    });
}

std::vector<int> TDensePacker::BySize(unsigned ASeed) const {
    const std::vector<double> draws = RandomDraws(ASeed, FUnits.size());
    std::vector<double> key(FUnits.size());
    for (size_t i = 0; i < FUnits.size(); ++i)
        key[i] = FUnits[i].Size * SizeFactor(draws[i]);
    return SortedIndices(FUnits.size(), [&key](int A, int B) { return key[A] > key[B]; });
}
