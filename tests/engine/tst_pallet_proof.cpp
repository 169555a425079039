// Every bound the proof gives is checked against the true least count of pallets, found
// here by trying every way of putting each single sheet on a pallet (no branch cut, no
// relaxation), weighed in kilograms as the pallet list weighs a pallet.

#include "CalculationRules.h"
#include "PalletBound.h"
#include "PalletProof.h"
#include "SheetsPerRow.h"

#include <QRandomGenerator>
#include <QTest>
#include <map>

namespace {

struct TSmallOrder {
    std::vector<TDenseItem> Items;
    double Weight1m2 = 17;
    double MaxW = 150;
    qint64 MaxRows = 50;

    TDenseLimits Limits() const {
        return {PalletBound::AreaCapacity(MaxW, Weight1m2), MaxRows};
    }
};

// Whether AOn (sheets of each item on one pallet) keeps both limits.
bool Keeps(const TSmallOrder& AOrder, const std::vector<qint64>& AOn) {
    double area = 0;
    qint64 rows = 0;
    for (size_t i = 0; i < AOn.size(); ++i) {
        if (AOn[i] == 0)
            continue;
        const TDenseItem& item = AOrder.Items[i];
        area += double(item.Length) * double(item.Height) * double(AOn[i]);
        rows += CalculationRules::StartedRows(AOn[i], SheetsPerRowRule(item.Height, AOn[i]));
    }
    return area * AOrder.Weight1m2 * CalculationRules::SquareMetresPerMm2 <= AOrder.MaxW &&
           rows <= AOrder.MaxRows;
}

// The least number of pallets, every sheet tried on every pallet opened so far and on a
// new one.
class TExhaustive {
public:
    explicit TExhaustive(const TSmallOrder& AOrder) : FOrder(AOrder) {
        for (size_t i = 0; i < AOrder.Items.size(); ++i)
            for (qint64 s = 0; s < AOrder.Items[i].Quantity; ++s)
                FSheets.push_back(i);
    }
    qint64 Least() {
        FBest = static_cast<qint64>(FSheets.size()) + 1;
        FPallets.clear();
        Try(0);
        return FSheets.empty() ? 1 : FBest;
    }

private:
    void Try(size_t ASheet) {
        if (static_cast<qint64>(FPallets.size()) >= FBest)
            return;
        if (ASheet == FSheets.size()) {
            FBest = static_cast<qint64>(FPallets.size());
            return;
        }
        const size_t item = FSheets[ASheet];
        for (size_t p = 0; p <= FPallets.size(); ++p) {
            if (p == FPallets.size())
                FPallets.emplace_back(FOrder.Items.size(), 0);
            ++FPallets[p][item];
            if (Keeps(FOrder, FPallets[p]))
                Try(ASheet + 1);
            --FPallets[p][item];
            if (p + 1 == FPallets.size() &&
                std::all_of(FPallets[p].begin(), FPallets[p].end(), [](qint64 n) { return n == 0; })) {
                FPallets.pop_back();
                break;
            }
        }
    }

    const TSmallOrder& FOrder;
    std::vector<size_t> FSheets;
    std::vector<std::vector<qint64>> FPallets;
    qint64 FBest = 0;
};

// Every sheet once, each pallet within both limits.
void CheckPacking(const TSmallOrder& AOrder, const std::vector<TDensePallet>& APallets) {
    std::map<int, qint64> placed;
    for (const TDensePallet& pallet : APallets) {
        std::vector<qint64> on(AOrder.Items.size(), 0);
        for (const TDensePart& part : pallet) {
            placed[part.Position] += part.Quantity;
            on[size_t(part.Position)] += part.Quantity;
        }
        QVERIFY(Keeps(AOrder, on));
    }
    for (const TDenseItem& item : AOrder.Items)
        QCOMPARE(placed[item.Position], item.Quantity);
}

// Orders of up to ten sheets of one colour where each limit may decide: sheets from
// 200 to 1500 mm wide (four to one abreast), pallets of a few rows, a weight limit from
// one heavy sheet up.
TSmallOrder RandomOrder(quint32 ASeed) {
    QRandomGenerator random(ASeed);
    TSmallOrder o;
    o.MaxRows = 1 + random.bounded(6);
    o.MaxW = 60 + 10 * random.bounded(30);
    qint64 sheets = 0;
    const int positions = 1 + random.bounded(4);
    for (int i = 0; i < positions && sheets < 10; ++i) {
        TDenseItem item;
        item.Position = i;
        item.Length = 1000 + 100 * random.bounded(27);
        item.Height = 200 + 50 * random.bounded(27);
        item.Quantity = std::min<qint64>(1 + random.bounded(5), 10 - sheets);
        // Every sheet must fit a pallet alone.
        while (item.Length * item.Height * o.Weight1m2 * 1e-6 > o.MaxW)
            item.Length -= 100;
        if (item.Length < 100)
            continue;
        sheets += item.Quantity;
        o.Items.push_back(item);
    }
    return o;
}

QDeadlineTimer Ample() {
    return QDeadlineTimer(10000);
}

} // namespace

Q_DECLARE_METATYPE(TSmallOrder)

class TPalletProofTest : public QObject {
    Q_OBJECT
private slots:
    void provenWhereTheOldBoundFails_data();
    void provenWhereTheOldBoundFails();
    void againstExhaustiveSearch();
    void nothingClaimedOfSheetsNoPalletCarries();
};

void TPalletProofTest::provenWhereTheOldBoundFails_data() {
    QTest::addColumn<TSmallOrder>("order");
    QTest::addColumn<qint64>("least");
    QTest::addColumn<int>("basis");
    // Ten sheets of 91.8 kg and six of 61.2 kg under 150 kg: no heavy sheet shares a
    // pallet, two light ones do.
    TSmallOrder heavy;
    heavy.Items = {{0, 3600, 1500, 10}, {1, 3000, 1200, 6}};
    QTest::newRow("heavy single sheets") << heavy << qint64(13) << int(TBoundBasis::Patterns);
    // Sheets of 0.6 of a pallet's weight never pair, whatever their number.
    TSmallOrder never;
    never.MaxW = 100;
    never.Items = {{0, 2500, 1412, 3}, {1, 2400, 1470, 4}};
    QTest::newRow("sheets that never pair") << never << qint64(7) << int(TBoundBasis::HeaviestLoad);
    // Two rows a pallet; each position starts its own rows.
    TSmallOrder rows;
    rows.MaxRows = 2;
    rows.MaxW = 1000;
    rows.Items = {{0, 2000, 1000, 1}, {1, 2000, 1000, 1}, {2, 2000, 1000, 1}};
    QTest::newRow("rows decide") << rows << qint64(2) << int(TBoundBasis::Rows);
}

void TPalletProofTest::provenWhereTheOldBoundFails() {
    QFETCH(TSmallOrder, order);
    QFETCH(qint64, least);
    QFETCH(int, basis);
    QCOMPARE(TExhaustive(order).Least(), least);
    std::vector<TDensePallet> pallets = TDensePacker(order.Limits()).Pack(order.Items);
    const TColourProof proof = PalletProof::Prove(order.Items, order.Limits(), pallets, Ample());
    QCOMPARE(proof.Pallets, least);
    QCOMPARE(proof.Bound, least);
    QVERIFY(proof.Proven());
    QCOMPARE(int(proof.Basis), basis);
    CheckPacking(order, pallets);
}

void TPalletProofTest::againstExhaustiveSearch() {
    int proven = 0;
    std::map<int, int> byBasis;
    for (quint32 seed = 1; seed <= 1500; ++seed) {
        const TSmallOrder order = RandomOrder(seed);
        if (order.Items.empty())
            continue;
        const qint64 least = TExhaustive(order).Least();
        const TDenseLimits limits = order.Limits();
        const QByteArray where = QByteArray("seed ") + QByteArray::number(seed);

        const qint64 patterns = PalletProof::PatternBound(order.Items, limits, 1000, Ample());
        QVERIFY2(patterns <= least, where.constData());
        QVERIFY2(TDensePacker::ProvenBound(order.Items, limits) <= patterns, where.constData());
        std::vector<TDensePallet> found;
        QCOMPARE(PalletProof::PackOnto(order.Items, limits, least - 1, Ample(), &found),
                 PalletProof::TSearchResult::None);
        QCOMPARE(PalletProof::PackOnto(order.Items, limits, least, Ample(), &found),
                 PalletProof::TSearchResult::Found);
        CheckPacking(order, found);
        QVERIFY2(qint64(found.size()) <= least, where.constData());

        std::vector<TDensePallet> pallets = TDensePacker(limits).Pack(order.Items);
        const TColourProof proof = PalletProof::Prove(order.Items, limits, pallets, Ample());
        CheckPacking(order, pallets);
        QCOMPARE(qint64(pallets.size()), proof.Pallets);
        QVERIFY2(proof.Bound <= least, where.constData());
        // With ample time every count is settled, and a proven one is the least.
        QVERIFY2(proof.Proven(), where.constData());
        QCOMPARE(proof.Pallets, least);
        ++proven;
        ++byBasis[int(proof.Basis)];

        // From the worst start, one sheet a pallet, the search must bring the count down
        // to the least and prove it there.
        std::vector<TDensePallet> single;
        for (const TDenseItem& item : order.Items)
            for (qint64 s = 0; s < item.Quantity; ++s)
                single.push_back({{item.Position, 1}});
        const TColourProof fromWorst =
            PalletProof::Prove(order.Items, limits, single, Ample());
        CheckPacking(order, single);
        QVERIFY2(fromWorst.Proven(), where.constData());
        QCOMPARE(fromWorst.Pallets, least);
    }
    qInfo("%d orders proven: %d by weight, %d by rows, %d by the heaviest load, %d by "
          "patterns, %d by the search",
          proven, byBasis[0], byBasis[1], byBasis[2], byBasis[3], byBasis[4]);
    // The orders reach every argument, or the test proves less than it says.
    QVERIFY(proven > 300);
    for (int basis = 0; basis <= int(TBoundBasis::Patterns); ++basis)
        QVERIFY2(byBasis[basis] > 0, QByteArray::number(basis).constData());
}

// A stored order whose material got heavier since: its count stays unproven.
void TPalletProofTest::nothingClaimedOfSheetsNoPalletCarries() {
    TSmallOrder order;
    order.MaxW = 80;
    order.Items = {{0, 3600, 1500, 3}, {1, 1000, 1000, 2}};
    std::vector<TDensePallet> counted(6);
    const TColourProof proof = PalletProof::Prove(order.Items, order.Limits(), counted, Ample());
    QCOMPARE(proof.Pallets, qint64(6));
    QCOMPARE(proof.Bound, qint64(4));
    QVERIFY(!proof.Proven());
}

QTEST_GUILESS_MAIN(TPalletProofTest)
#include "tst_pallet_proof.moc"
