// Figures of the dense packing. First the packer alone over many seeds per order size
// (per colour: how often it reaches the simple lower bound, how far it stays above it,
// and then with the proof of the count, as a calculation makes it within its default
// time: the share of colours proven minimal, how much the proven bound gains over the
// simple one, and the time of packing and proof together), then
// whole runs, the five stages in memory and the dense packing, on the same orders on
// the embedded database and on PostgreSQL when one answers (GRAVELON_BENCH_PG_*, the
// database GRAVELON_BENCH_PG_DB with "_dense" appended).

#include "DenseBench.h"

#include "CalculationRun.h"
#include "DataModule.h"
#include "DensePacker.h"
#include "PalletBound.h"
#include "PalletProof.h"
#include "PlanVerdict.h"
#include "Settings.h"
#include "ScratchPostgres.h"
#include "SqlRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

namespace {

// The reference materials: weight of a square metre and stack limit.
const double MaterialWeight[] = {14.4, 18, 21.6, 15.2};
const qint64 MaterialRows[] = {60, 50, 40, 50};

struct TBenchPosition {
    qint64 Length;
    qint64 Height;
    qint64 Colour;
    qint64 Quantity;
};

struct TBenchOrder {
    int Material = 1;
    double MaxW = 0;
    std::vector<TBenchPosition> Positions;
};

// An order as a workshop sends it, as the calculation's own benchmark makes them:
// 3-6 colours, sheets 1200-3600 mm long and 190-1500 mm wide, mostly a handful of
// sheets a position and now and then up to 200, a pallet limit of 800-1500 kg.
TBenchOrder MakeOrder(quint32 ASeed, int APositions) {
    QRandomGenerator random(ASeed);
    TBenchOrder o;
    o.Material = 1 + random.bounded(4);
    o.MaxW = 800 + 50 * random.bounded(15);
    QList<qint64> colours;
    const int colourCount = 3 + random.bounded(4);
    while (colours.size() < colourCount) {
        const qint64 c = 1 + random.bounded(12);
        if (!colours.contains(c))
            colours << c;
    }
    for (int i = 0; i < APositions; ++i) {
        const int kind = random.bounded(100);
        const qint64 quantity = kind < 80   ? 1 + random.bounded(6)
                                : kind < 96 ? 7 + random.bounded(34)
                                            : 41 + random.bounded(160);
        const qint64 length = 1200 + 10 * random.bounded(241);
        const qint64 height = 190 + 5 * random.bounded(263);
        o.Positions.push_back(
            {length, height, colours.at(random.bounded(colours.size())), quantity});
    }
    return o;
}

struct TQuality {
    int Orders = 0;
    int Colours = 0;
    int AtBound = 0;
    int Proven = 0;       // colours whose count the proof settles
    qint64 ProvenBound = 0; // the bounds the proof reaches
    qint64 MaxExcess = 0;
    qint64 Pallets = 0;
    qint64 Bound = 0;
    double Seconds = 0;
    double WorstSeconds = 0;
};

void PackAlone(const TBenchOrder& AOrder, TQuality& AQuality) {
    std::map<qint64, std::vector<TDenseItem>> byColour;
    for (size_t i = 0; i < AOrder.Positions.size(); ++i) {
        const TBenchPosition& p = AOrder.Positions[i];
        byColour[p.Colour].push_back({static_cast<int>(i), p.Length, p.Height, p.Quantity});
    }
    const TDenseLimits limits{
        PalletBound::AreaCapacity(AOrder.MaxW, MaterialWeight[AOrder.Material - 1]),
        MaterialRows[AOrder.Material - 1]};
    double seconds = 0;
    // As a calculation shares its proof time out over the colours.
    const QDeadlineTimer proofs(GravelonSettings::DefaultProofTime);
    size_t left = byColour.size();
    for (const auto& [colour, items] : byColour) {
        const qint64 bound = TDensePacker::LowerBound(items, limits);
        QElapsedTimer timer;
        timer.start();
        std::vector<TDensePallet> packed = TDensePacker(limits).Pack(items);
        const TColourProof proof = PalletProof::Prove(items, limits, packed,
                                                      TPlanVerdict::Share(proofs, left--));
        const qint64 pallets = proof.Pallets;
        seconds += timer.nsecsElapsed() / 1e9;
        ++AQuality.Colours;
        AQuality.AtBound += pallets == bound;
        AQuality.Proven += proof.Proven();
        AQuality.ProvenBound += proof.Bound;
        AQuality.MaxExcess = std::max(AQuality.MaxExcess, pallets - bound);
        AQuality.Pallets += pallets;
        AQuality.Bound += bound;
    }
    ++AQuality.Orders;
    AQuality.Seconds += seconds;
    AQuality.WorstSeconds = std::max(AQuality.WorstSeconds, seconds);
}

QString Percent(double AValue) {
    return QString::number(AValue, 'f', 1);
}

void Store(TDataModule& AData, const TBenchOrder& AOrder, quint32 ASeed) {
    const QSqlDatabase db = AData.Connection();
    TTransaction tr(db, AData.Dialect());
    SqlRun::Exec(db, QStringLiteral("insert into Customers (Name, NameSravn) values "
                                    "('ООО Стенд', 'ооостенд')"));
    const QVariant customer = SqlRun::Value(db, QStringLiteral("select max(ID) from Customers"));
    SqlRun::Exec(db,
                 QStringLiteral("insert into Applicates (Number, Date, CustomerID, MatID, "
                                "Comment, MaxW) values (:n, '2024-03-01', :c, :m, '', :w)"),
                 {{QStringLiteral(":n"), QStringLiteral("D-%1").arg(ASeed)},
                  {QStringLiteral(":c"), customer},
                  {QStringLiteral(":m"), AOrder.Material},
                  {QStringLiteral(":w"), AOrder.MaxW}});
    const QVariant order = SqlRun::Value(db, QStringLiteral("select max(ID) from Applicates"));
    for (const TBenchPosition& p : AOrder.Positions)
        SqlRun::Exec(db,
                     QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, Height, "
                                    "ColorID, Quantity) values (:a, :w, :h, :c, :q)"),
                     {{QStringLiteral(":a"), order},
                      {QStringLiteral(":w"), p.Length},
                      {QStringLiteral(":h"), p.Height},
                      {QStringLiteral(":c"), p.Colour},
                      {QStringLiteral(":q"), p.Quantity}});
    tr.Commit();
}

bool WholeRuns(QTextStream& AOut, const QString& ABackend, const TConnectionSettings& ASettings,
               const QString& AFolder, quint32 ASeed, int APositions,
               const std::function<bool()>& AReset) {
    const TBenchOrder order = MakeOrder(ASeed, APositions);
    // Each mode on a fresh database: the calculation splits positions for good.
    std::vector<std::pair<TCalculationMode, const char*>> modes = {
        {TCalculationMode::Memory, "stages"}, {TCalculationMode::Dense, "dense"}};
    for (const auto& [mode, name] : modes) {
        if (!AReset())
            return false;
        TDataModule data;
        data.Connect(ASettings, AFolder);
        Store(data, order, ASeed);
        TCalculationRun run(data.Connection(), mode);
        QElapsedTimer timer;
        timer.start();
        run.Execute();
        const double seconds = timer.nsecsElapsed() / 1e9;
        AOut << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                    .arg(ABackend, -10)
                    .arg(APositions, 9)
                    .arg(QLatin1String(name), -7)
                    .arg(run.Pallets(), 8)
                    .arg(run.Bound(), 6)
                    .arg(Percent(100.0 * (run.Pallets() - run.Bound()) / run.Bound()), 9)
                    .arg(QString::number(seconds, 'f', 3), 8)
             << Qt::endl;
    }
    return true;
}

} // namespace

bool RunDenseBench(QTextStream& AOut) {
    AOut << Qt::endl
         << "dense packing alone, per colour against the simple lower bound, then proven"
         << Qt::endl;
    AOut << "positions orders colours  at bound, %  max excess  pallets  bound  excess, %  "
            "mean s  worst s  proven, %  proven bound  gain"
         << Qt::endl;
    const QList<QPair<int, int>> sizes = {{20, 300},  {50, 300},  {100, 200}, {200, 100},
                                          {500, 100}, {1000, 40}, {2000, 20}};
    TQuality all;
    for (const auto& [positions, seeds] : sizes) {
        TQuality q;
        for (int s = 0; s < seeds; ++s)
            PackAlone(MakeOrder(static_cast<quint32>(1000 * positions + s), positions), q);
        AOut << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13")
                    .arg(positions, 9)
                    .arg(q.Orders, 6)
                    .arg(q.Colours, 7)
                    .arg(Percent(100.0 * q.AtBound / q.Colours), 12)
                    .arg(q.MaxExcess, 11)
                    .arg(q.Pallets, 8)
                    .arg(q.Bound, 6)
                    .arg(Percent(100.0 * (q.Pallets - q.Bound) / q.Bound), 10)
                    .arg(QString::number(q.Seconds / q.Orders, 'f', 4), 7)
                    .arg(QString::number(q.WorstSeconds, 'f', 4), 8)
                    .arg(Percent(100.0 * q.Proven / q.Colours), 10)
                    .arg(q.ProvenBound, 13)
                    .arg(q.ProvenBound - q.Bound, 5)
             << Qt::endl;
        all.Colours += q.Colours;
        all.AtBound += q.AtBound;
        all.Proven += q.Proven;
        all.Bound += q.Bound;
        all.ProvenBound += q.ProvenBound;
        all.MaxExcess = std::max(all.MaxExcess, q.MaxExcess);
    }
    AOut << QStringLiteral("all sizes: %1 colours, %2 % at the simple bound, at most %3 above "
                           "it; %4 % proven minimal, the proven bound %5 pallets above the "
                           "simple one")
                .arg(all.Colours)
                .arg(Percent(100.0 * all.AtBound / all.Colours))
                .arg(all.MaxExcess)
                .arg(Percent(100.0 * all.Proven / all.Colours))
                .arg(all.ProvenBound - all.Bound)
         << Qt::endl;

    AOut << Qt::endl << "whole runs, the same order in both modes" << Qt::endl;
    AOut << "backend    positions mode     pallets  bound excess, %  time, s" << Qt::endl;
    const QList<QPair<int, quint32>> runs = {
        {20, 20240301u}, {100, 20240302u}, {500, 20240303u}, {2000, 20240304u}};
    try {
        for (const auto& [positions, seed] : runs) {
            QTemporaryDir folder;
            if (!WholeRuns(AOut, QStringLiteral("SQLite"),
                           {QString(), QStringLiteral("dense.db"), QString(), QString()},
                           folder.path(), seed, positions, [&folder] {
                               for (const char* f : {"dense.db", "dense.db-wal", "dense.db-shm"})
                                   QFile::remove(folder.filePath(QLatin1String(f)));
                               return true;
                           }))
                return false;
        }
        const TScratchServer pg = TScratchServer::FromEnv(QStringLiteral("GRAVELON_BENCH_PG"));
        const QByteArray dbEnv = qgetenv("GRAVELON_BENCH_PG_DB");
        const QString database =
            (dbEnv.isEmpty() ? QStringLiteral("gravelon_bench") : QString::fromLocal8Bit(dbEnv)) +
            QStringLiteral("_dense");
        for (const auto& [positions, seed] : runs) {
            QString why;
            bool unreachable = false;
            const bool ok =
                WholeRuns(AOut, QStringLiteral("PostgreSQL"), pg.Settings(database), QString(),
                          seed, positions, [&] { return pg.Reset(database, &why, &unreachable); });
            if (!ok) {
                AOut << "PostgreSQL " << (unreachable ? "skipped: " : "failed: ") << pg.Host << ':'
                     << pg.Port << '/' << database << " (" << why.trimmed() << ")" << Qt::endl;
                return unreachable;
            }
        }
    } catch (const EGravelonError& e) {
        AOut << "failed: " << e.Message() << Qt::endl;
        return false;
    }
    return true;
}
