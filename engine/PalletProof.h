#pragma once

#include "DensePacker.h"

#include <QDeadlineTimer>
#include <functional>
#include <vector>

// What a colour's least pallet count rests on, from the cheapest argument up.
enum class TBoundBasis {
    Weight,       // the colour's weight against the pallet limit
    Rows,         // its started rows against the stack limit
    HeaviestLoad, // its weight against the heaviest load its sheets can make up
    Patterns,     // the least fractional number of pallet loads covering every sheet
    Search,       // an exhaustive search found no packing on fewer pallets
};

// A count of pallets for one colour and the least count proven for it.
struct TColourProof {
    qint64 Pallets = 0;
    qint64 Bound = 0; // no packing of the colour needs fewer pallets
    TBoundBasis Basis = TBoundBasis::Weight;

    bool Proven() const { return Bound >= Pallets; }
};

// Proofs that a colour needs so many pallets. Every bound here is a count no packing
// goes below; "proven" is claimed only where a bound meets a packing that exists.
namespace PalletProof {

// The bound of the pallet-pattern relaxation: a pattern is what one pallet may hold
// (sheets of each position, started rows within the stack limit, area within the
// weight limit), and no packing uses fewer pallets than the least fractional number of
// patterns covering every sheet. Found by column generation (a linear master over
// patterns, a two-constraint knapsack pricing the next pattern); every round's duals
// give a valid bound on their own, so one stopped at ADeadline, or at ATarget, which
// it cannot exceed usefully, still answers. Never below TDensePacker::ProvenBound.
qint64 PatternBound(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits,
                    qint64 ATarget, const QDeadlineTimer& ADeadline,
                    const std::function<void()>& ACheckCanceled = {});

enum class TSearchResult { Found, None, Unknown };

// Looks through every way of dealing the sheets onto ACount pallets within both limits
// (a position may be divided, at most one part a pallet). Found: AFound holds one
// (TDensePart::Position as TDenseItem::Position). None: there is none. Unknown: ADeadline
// came first, or the pallets are too many to search at all.
TSearchResult PackOnto(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits,
                       qint64 ACount, const QDeadlineTimer& ADeadline,
                       std::vector<TDensePallet>* AFound,
                       const std::function<void()>& ACheckCanceled = {});

// The proof for the packing APallets of AItems: the bound is raised argument by
// argument until it meets the count; then, while time is left, a packing on one pallet
// fewer is searched for, and replaces APallets when found, or its absence proves the
// count. Needs a stack limit of at least one row and a positive area capacity.
TColourProof Prove(const std::vector<TDenseItem>& AItems, const TDenseLimits& ALimits,
                   std::vector<TDensePallet>& APallets, const QDeadlineTimer& ADeadline,
                   const std::function<void()>& ACheckCanceled = {});

} // namespace PalletProof
