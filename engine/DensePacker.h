#pragma once

#include <QtGlobal>
#include <functional>
#include <vector>

// The sheets of one position as the dense packing sees them: Length is the sheet's
// length (the position's Width), Height its width across the pallet.
struct TDenseItem {
    int Position = -1; // the caller's index, handed back in the parts
    qint64 Length = 0;
    qint64 Height = 0;
    qint64 Quantity = 0;
};

// What one pallet may carry: the sum of Length*Height*sheets (the weight limit turned
// into an area, see PalletBound::AreaCapacity) and the started rows of its stacks.
struct TDenseLimits {
    qint64 AreaCapacity = 0;
    qint64 MaxRows = 0;
};

// Sheets of one position placed on one pallet (Position as TDenseItem::Position).
struct TDensePart {
    int Position = -1;
    qint64 Quantity = 0;
};

using TDensePallet = std::vector<TDensePart>;

// Packs the positions of one colour onto as few pallets as it can find within both
// limits. Whole positions are tried first at every count from the lower bound up (first
// and best fit in several orders, then pallet by pallet, each filled as closely as the
// units left allow); a position is divided across pallets only when no whole packing
// reaches a count that a divided one does, and a position that no pallet carries whole
// is divided into pallet loads. Among packings of one count the one with the fewest
// parts wins, then the one whose pallets hold sheets most alike in length. The search
// is bounded by counts of tries, not by time; a colour of more than 5,000 units (whole
// positions and full pallet loads) keeps its best whole packing unsearched.
// Deterministic: the same positions give the same pallets.
class TDensePacker {
public:
    // ACheckCanceled runs between attempts and may throw to stop the search.
    explicit TDensePacker(const TDenseLimits& ALimits, std::function<void()> ACheckCanceled = {});

    // Every sheet of every position lands on exactly one pallet; positions without
    // sheets go onto the first pallet. Needs a limit of at least one row and room for
    // the heaviest single sheet (the caller refuses other orders).
    std::vector<TDensePallet> Pack(const std::vector<TDenseItem>& AItems);

    // The least number of pallets any packing can reach: the larger of what the area
    // and what the started rows need, at least one for any position.
    static qint64 LowerBound(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits);

    // The most area one pallet can carry within the weight limit with these sheets, at
    // most AreaCapacity; AreaCapacity itself where the sums are too many to go through.
    static qint64 HeaviestLoad(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits);

    // A count no packing goes below, at least LowerBound: no pallet carries more than
    // HeaviestLoad, so where the sheets cannot make up a full pallet's weight the weight
    // needs more pallets than its share says.
    static qint64 ProvenBound(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits);

    // Started rows of ASheets sheets of a position ASheetHeight wide.
    static qint64 Rows(qint64 ASheetHeight, qint64 ASheets);

private:
    // A unit the search places: a whole position or a pallet load cut off a large one.
    struct TUnit {
        int Item = -1;
        qint64 Quantity = 0;
        qint64 Area = 0;
        qint64 Rows = 0;
        double Size = 0; // the larger share of a pallet it takes
    };
    struct TBin {
        qint64 Area = 0;
        qint64 Rows = 0;
        std::vector<TDensePart> Parts;
    };
    using TPacking = std::vector<TBin>;
    // The packing kept at one count: fewest parts, then lengths most alike.
    struct TChoice;
    // The pallets still open to whole units, in order.
    class TOpenPallets;
    // One pallet-by-pallet packing (PackSequential) with its search state.
    class TSequentialPacking;

    bool Fits(const TBin& ABin, qint64 AArea, qint64 ARows) const {
        return ABin.Area + AArea <= FLimits.AreaCapacity && ABin.Rows + ARows <= FLimits.MaxRows;
    }
    void Place(TBin& ABin, const TUnit& AUnit) const;
    // Most sheets of AUnit's position that fit onto ABin beside what it holds.
    qint64 SheetsThatFit(const TBin& ABin, const TUnit& AUnit) const;
    // A unit of ASheets sheets of AUnit's position, otherwise as AUnit.
    TUnit WithSheets(const TUnit& AUnit, qint64 ASheets) const;
    // How full ABin would be with AUnit, both limits added: best fit takes the fullest.
    double LoadWith(const TBin& ABin, const TUnit& AUnit) const {
        return (ABin.Area + AUnit.Area) / static_cast<double>(FLimits.AreaCapacity) +
               (ABin.Rows + AUnit.Rows) / static_cast<double>(FLimits.MaxRows);
    }
    void CheckCanceled() const;

    // FItems cut into FUnits; returns the positions without sheets.
    std::vector<int> CutUnits();
    // Whole positions on as many pallets as they need: the fewest of four packings.
    TPacking BestWholePacking() const;
    // Replaces ABest with a packing on fewer pallets, the fewest the search finds.
    void SearchFewerPallets(TPacking& ABest) const;
    // A packing onto ABins pallets by all but the filling one; empty when none fits.
    TPacking PackAtCount(int ABins) const;
    // Pallet-by-pallet packings at ABins, one seed after the other, until one fits.
    void TrySequential(int ABins, bool ADivide, TChoice& AChoice) const;
    // ACandidate, its parts joined, kept in AChoice where it beats what AChoice holds.
    void Offer(TPacking& ACandidate, TChoice& AChoice) const;
    // The PackFilling packing on fewer pallets of two orders.
    TPacking FillingPacking() const;
    // APacking as the caller's pallets, the positions AEmpty without sheets on the first.
    std::vector<TDensePallet> Pallets(TPacking& APacking, const std::vector<int>& AEmpty) const;

    // Whole units in AOrder onto at most ABins pallets (first fit or best fit); false
    // when some unit finds no room. ABins < 0: as many pallets as needed.
    bool PackWhole(const std::vector<int>& AOrder, int ABins, bool ABestFit, TPacking& AOut) const;
    // The pallet among AOpen that takes AUnit whole: the first, or with ABestFit the one
    // it leaves fullest; -1 when none has the room.
    int PalletFor(const TPacking& APacking, TOpenPallets& AOpen, const TUnit& AUnit,
                  bool ABestFit) const;
    // Whole units first; those left over are divided over the free room of ABins pallets.
    bool PackDivided(const std::vector<int>& AOrder, int ABins, TPacking& AOut) const;
    // The pallet of APacking that AUnit leaves fullest; -1 when none has the room.
    int BestFit(const TPacking& APacking, const TUnit& AUnit) const;
    // AUnit divided over the pallets of APacking; false when sheets stay over.
    bool PlaceDivided(const TUnit& AUnit, TPacking& APacking) const;
    // Pallets filled one at a time, each with what spends the limit it is furthest from,
    // the unit that overflows divided.
    void PackFilling(const std::vector<int>& AOrder, TPacking& AOut) const;
    // Of APool, the unit that spends most of what ABin has most room for; -1 when none
    // of them fits.
    int LeaningUnit(const TBin& ABin, const std::vector<TUnit>& APool) const;
    // Pallets filled one at a time, each opened with one of the largest remaining units
    // and given the subset of the others that leaves least of its limits unused, so
    // that what stays over fits the pallets left. With ADivide a pallet the whole units
    // leave short of its share is topped up with part of a position, or opened with a
    // few sheets fewer of its opener. ABudget caps the subsets tried per pallet;
    // ASeed other than 0 varies the choice of the opener.
    bool PackSequential(unsigned ASeed, int ABins, bool ADivide, int ABudget, TPacking& AOut) const;
    // Parts of one position on two pallets joined on one of them wherever it has the
    // room: fewer parts, never more pallets.
    void JoinParts(TPacking& APacking) const;
    // The parts of position AItem, on the pallets AOn, joined where they fit.
    void JoinPosition(int AItem, std::vector<int>& AOn, TPacking& APacking) const;
    // Indices into AOn of the pallets with room for the smallest part of AItem.
    std::vector<size_t> JoinTargets(int AItem, const std::vector<int>& AOn,
                                    const TPacking& APacking) const;
    // AItem's part on AFrom moved onto its part on ATo; false when ATo lacks the room.
    bool JoinPart(int AItem, TBin& AFrom, TBin& ATo) const;
    // How far apart the lengths on each pallet lie, summed: smaller is better.
    double LengthSpread(const TPacking& APacking) const;
    int PartCount(const TPacking& APacking) const;

    std::vector<int> ByLength() const;
    std::vector<int> BySize(unsigned ASeed) const;
    // Largest single sheet first, as a share of a pallet.
    std::vector<int> BySheet() const;

    TDenseLimits FLimits;
    std::function<void()> FCheckCanceled;
    std::vector<TDenseItem> FItems;
    std::vector<TUnit> FUnits;
};
