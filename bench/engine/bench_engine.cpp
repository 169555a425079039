// Measures the pallet calculation on generated orders of 20, 100 and 500 positions, on
// the embedded database and on a PostgreSQL server, and prints what each run cost and
// how close its pallets came to the least number possible.
//
// PostgreSQL: GRAVELON_BENCH_PG_HOST, _PORT, _USER, _PASSWORD, _DB (defaults localhost,
// 5432, gravelon, gravelon, gravelon_bench). The database is created when missing and
// its public schema is recreated for every run. An unreachable server is skipped.

#include "CalculationEngine.h"
#include "DataModule.h"
#include "DenseBench.h"
#include "ProcessLocale.h"
#include "ScratchPostgres.h"
#include "SheetsPerRow.h"
#include "SqlRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <cstdio>

namespace {

QTextStream Out(stdout);

// An order as a workshop sends it: a few colours, sheets 1200-3600 mm long and
// 190-1500 mm wide, mostly a handful of sheets a position with now and then a large
// one (up to 200), and a pallet limit of 800-1500 kg.
void AddOrder(TDataModule& AData, quint32 ASeed, int APositions) {
    QRandomGenerator random(ASeed);
    const qlonglong material = 1 + random.bounded(4);
    const double maxW = 800 + 50 * random.bounded(15);
    QList<qlonglong> colours;
    const int colourCount = 3 + random.bounded(4);
    while (colours.size() < colourCount) {
        const qlonglong c = 1 + random.bounded(12);
        if (!colours.contains(c))
            colours << c;
    }
    const QSqlDatabase db = AData.Connection();
    TTransaction tr(db, AData.Dialect());
    SqlRun::Exec(db, QStringLiteral("insert into Customers (Name, NameSravn) values "
                                    "('ООО Стенд', 'ооостенд')"));
    const QVariant customer = SqlRun::Value(db, QStringLiteral("select max(ID) from Customers"));
    SqlRun::Exec(db,
                 QStringLiteral("insert into Applicates (Number, Date, CustomerID, MatID, "
                                "Comment, MaxW) values (:n, '2024-03-01', :c, :m, '', :w)"),
                 {{QStringLiteral(":n"), QStringLiteral("B-%1").arg(ASeed)},
                  {QStringLiteral(":c"), customer},
                  {QStringLiteral(":m"), material},
                  {QStringLiteral(":w"), maxW}});
    const QVariant order = SqlRun::Value(db, QStringLiteral("select max(ID) from Applicates"));
    for (int i = 0; i < APositions; ++i) {
        const int kind = random.bounded(100);
        const qlonglong quantity = kind < 80   ? 1 + random.bounded(6)
                                   : kind < 96 ? 7 + random.bounded(34)
                                               : 41 + random.bounded(160);
        SqlRun::Exec(db,
                     QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, Height, "
                                    "ColorID, Quantity) values (:a, :w, :h, :c, :q)"),
                     {{QStringLiteral(":a"), order},
                      {QStringLiteral(":w"), 1200 + 10 * random.bounded(241)},
                      {QStringLiteral(":h"), 190 + 5 * random.bounded(263)},
                      {QStringLiteral(":c"), colours.at(random.bounded(colours.size()))},
                      {QStringLiteral(":q"), quantity}});
    }
    tr.Commit();
}

// Per colour the larger of what the weight and what the rows need at the least, summed.
qlonglong LowerBound(TDataModule& AData) {
    const QList<QSqlRecord> rows = SqlRun::Open(
        AData.Connection(),
        QStringLiteral("select ap.ColorID, sum(ap.Width*ap.Height*s.Quantity*m.Weight1m2)*1e-6 W, "
                       "sum(s.Quantity / nullif(s.QuantityInRow, 0)) R, max(a.MaxW) MW, "
                       "max(m.MaxH) MH from Solutions s "
                       "inner join ApplicatePositions ap on ap.ID = s.PosID "
                       "inner join Applicates a on a.ID = ap.ApplicateID "
                       "inner join Materials m on m.ID = a.MatID group by ap.ColorID"));
    qlonglong bound = 0;
    for (const QSqlRecord& r : rows) {
        const double byWeight = std::ceil(r.value(QStringLiteral("W")).toDouble() /
                                          r.value(QStringLiteral("MW")).toDouble());
        const double byRows = std::ceil(r.value(QStringLiteral("R")).toDouble() /
                                        r.value(QStringLiteral("MH")).toDouble());
        bound += std::max<qlonglong>(1, static_cast<qlonglong>(std::max(byWeight, byRows)));
    }
    return bound;
}

qlonglong Count(TDataModule& AData, const QString& ASql) {
    return SqlRun::Value(AData.Connection(), ASql).toLongLong();
}

void Run(const QString& ABackend, const TConnectionSettings& ASettings, const QString& AFolder,
         quint32 ASeed, int APositions) {
    TDataModule data;
    data.Connect(ASettings, AFolder);
    AddOrder(data, ASeed, APositions);
    TPalletCalculationEngine engine(data.Connection());
    QElapsedTimer timer;
    // Where each stage began: time and statements sent so far.
    QList<QPair<double, qint64>> starts;
    engine.OnProgress = [&](const QString&, int APosition, int) {
        while (starts.size() < APosition)
            starts << qMakePair(timer.nsecsElapsed() / 1e9, engine.StatementCount());
    };
    timer.start();
    engine.Execute();
    const double seconds = timer.nsecsElapsed() / 1e9;
    starts << qMakePair(seconds, engine.StatementCount());

    const qlonglong positions =
        Count(data, QStringLiteral("select count(*) from ApplicatePositions"));
    const qlonglong pallets = Count(data, QStringLiteral("select count(*) from Palletes"));
    const qlonglong empty = Count(data, QStringLiteral("select count(*) from Palletes p where not "
                                                       "exists (select 1 from Solutions s where "
                                                       "s.PalleteID = p.ID)"));
    Out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
               .arg(ABackend, -10)
               .arg(APositions, 9)
               .arg(QString::number(seconds, 'f', 2), 9)
               .arg(engine.StatementCount(), 11)
               .arg(positions, 10)
               .arg(pallets, 8)
               .arg(empty, 6)
               .arg(LowerBound(data), 12)
        << Qt::endl;
    QString stages = QStringLiteral("           stages 1-5 (s / statements):");
    for (int i = 1; i < starts.size() && i <= 5; ++i)
        stages += QStringLiteral(" %1/%2")
                      .arg(QString::number(starts[i].first - starts[i - 1].first, 'f', 2))
                      .arg(starts[i].second - starts[i - 1].second);
    Out << stages << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ProcessLocale::UseCNumericFormatting();
    if (app.arguments().contains(QStringLiteral("--dense")))
        return RunDenseBench(Out) ? 0 : 1;
    const QList<QPair<int, quint32>> sizes = {{20, 20240301u}, {100, 20240302u}, {500, 20240303u}};
    Out << "backend    positions  time, s  statements  after split pallets empty lower bound"
        << Qt::endl;
    try {
        for (const auto& [positions, seed] : sizes) {
            QTemporaryDir folder;
            Run(QStringLiteral("SQLite"),
                {QString(), QStringLiteral("bench.db"), QString(), QString()}, folder.path(), seed,
                positions);
        }
        const TScratchServer pg = TScratchServer::FromEnv(QStringLiteral("GRAVELON_BENCH_PG"));
        const QByteArray dbEnv = qgetenv("GRAVELON_BENCH_PG_DB");
        const QString database =
            dbEnv.isEmpty() ? QStringLiteral("gravelon_bench") : QString::fromLocal8Bit(dbEnv);
        QString why;
        bool unreachable = false;
        for (const auto& [positions, seed] : sizes) {
            if (!pg.Reset(database, &why, &unreachable)) {
                Out << "PostgreSQL " << (unreachable ? "skipped: " : "failed: ") << pg.Host << ':'
                    << pg.Port << '/' << database << " (" << why.trimmed() << ")" << Qt::endl;
                return unreachable && RunDenseBench(Out) ? 0 : 1;
            }
            Run(QStringLiteral("PostgreSQL"), pg.Settings(database), QString(), seed, positions);
        }
        if (!RunDenseBench(Out))
            return 1;
    } catch (const EGravelonError& e) {
        Out << "failed: " << e.Message() << Qt::endl;
        return 1;
    }
    return 0;
}
