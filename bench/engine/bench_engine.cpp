// Measures the pallet calculation, the in-memory engine beside the literal one it is
// checked against, on workshop orders of 20 to 10,000 positions and on one position of
// 100,000 sheets, on the embedded database and on a PostgreSQL server. Prints per order
// the wall time of the engine's run (median of several runs, each on the order as
// stored), the statements it sent, the positions after its splitting, the pallets and
// the least number of pallets possible.
//
// The literal engine asks the database every measure and its time grows faster than the
// square of the order: a run expected, from its last run, to last longer than
// GRAVELON_BENCH_LITERAL_CAP seconds (120) is skipped and shown as "—", with a note.
//
// PostgreSQL: GRAVELON_BENCH_PG_HOST, _PORT, _USER, _PASSWORD, _DB (defaults localhost,
// 5432, gravelon, gravelon, gravelon_bench). The database is created when missing and
// its public schema is recreated for every order. An unreachable server is skipped.
// --dense prints only the dense packing's figures, which otherwise follow the table.

#include "CalculationEngine.h"
#include "DataModule.h"
#include "DenseBench.h"
#include "MemoryCalculationEngine.h"
#include "OrderGenerator.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "ProcessLocale.h"
#include "ScratchPostgres.h"
#include "SqlRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace {

QTextStream Out(stdout);

struct TBenchCase {
    QString Name;
    OrderGenerator::TCase Case;
    int Runs; // runs of the in-memory engine; the median is shown
};

struct TRunFigures {
    double Seconds = 0;
    double Writing = 0; // from the last stage's report to the final one
    qint64 Statements = 0;
    qint64 Positions = 0;
    qint64 Pallets = 0;
};

struct TLiteralFigures {
    std::optional<TRunFigures> Run;
    QString Skipped; // why there is no run
};

qint64 Count(TDataModule& AData, const QString& ASql) {
    return SqlRun::Value(AData.Connection(), ASql).toLongLong();
}

template <class TEngine> TRunFigures Measure(TDataModule& AData, const TBenchCase& ACase) {
    OrderGenerator::Store(AData.Connection(), AData.Dialect(), ACase.Case);
    TEngine engine(AData.Connection());
    QElapsedTimer timer;
    qint64 lastStage = 0;
    engine.OnProgress = [&](const QString&, int APosition, int) {
        if (APosition == 5)
            lastStage = timer.nsecsElapsed();
    };
    timer.start();
    engine.Execute();
    TRunFigures f;
    f.Seconds = timer.nsecsElapsed() / 1e9;
    f.Writing = f.Seconds - lastStage / 1e9;
    f.Statements = engine.StatementCount();
    f.Positions = Count(AData, QStringLiteral("select count(*) from ApplicatePositions"));
    f.Pallets = Count(AData, QStringLiteral("select count(distinct PalleteID) from Solutions"));
    return f;
}

QString Seconds(double ASeconds) {
    return QString::number(ASeconds, 'f', ASeconds < 10 ? 3 : 1);
}

double CapSeconds() {
    bool ok = false;
    const double cap = qEnvironmentVariable("GRAVELON_BENCH_LITERAL_CAP").toDouble(&ok);
    return ok && cap >= 0 ? cap : 120;
}

// Runs every case on one backend; AConnect gives a data module on an empty database.
bool RunBackend(const QString& ABackend, const std::vector<TBenchCase>& ACases,
                const std::function<std::unique_ptr<TDataModule>()>& AConnect,
                QStringList& ANotes) {
    // The literal engine's last run: positions after splitting and seconds, from which
    // the next run's time is expected. Its walks grow with the square of the pallets,
    // and on PostgreSQL every row it rewrites leaves a dead version that slows later
    // statements: 500 positions took 68 times as long as 133 there, so the cube.
    struct TLastLiteral {
        qint64 Positions;
        double Seconds;
        QString Name;
    };
    std::optional<TLastLiteral> lastLiteral;
    const double cap = CapSeconds();
    for (const TBenchCase& c : ACases) {
        const std::unique_ptr<TDataModule> data = AConnect();
        if (!data)
            return false;
        OrderGenerator::Store(data->Connection(), data->Dialect(), c.Case);
        const qint64 bound =
            PalletBound::Total(PalletBound::Groups(TOrderModel::Read(data->Connection())));
        std::vector<TRunFigures> runs;
        for (int i = 0; i < c.Runs; ++i)
            runs.push_back(Measure<TMemoryCalculationEngine>(*data, c));
        std::sort(runs.begin(), runs.end(),
                  [](const TRunFigures& A, const TRunFigures& B) { return A.Seconds < B.Seconds; });
        const TRunFigures& memory = runs[runs.size() / 2];

        TLiteralFigures literal;
        const double expected =
            lastLiteral ? lastLiteral->Seconds *
                              std::pow(double(memory.Positions) / double(lastLiteral->Positions), 3)
                        : 0;
        if (lastLiteral && expected > cap) {
            const QString about = expected < 3600
                                      ? QStringLiteral("%1 s").arg(expected, 0, 'f', 0)
                                      : QStringLiteral("%1 h").arg(expected / 3600, 0, 'f', 0);
            literal.Skipped =
                QStringLiteral("%1, %2: the literal engine skipped, about %3 "
                               "expected from its %4 s on %5")
                    .arg(ABackend, c.Name, about, Seconds(lastLiteral->Seconds), lastLiteral->Name);
        } else {
            literal.Run = Measure<TPalletCalculationEngine>(*data, c);
            lastLiteral = TLastLiteral{literal.Run->Positions, literal.Run->Seconds, c.Name};
            if (literal.Run->Pallets != memory.Pallets ||
                literal.Run->Positions != memory.Positions)
                ANotes << QStringLiteral("%1, %2: the engines differ (pallets %3 / %4)")
                              .arg(ABackend, c.Name)
                              .arg(literal.Run->Pallets)
                              .arg(memory.Pallets);
        }
        if (!literal.Skipped.isEmpty())
            ANotes << literal.Skipped;
        Out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
                   .arg(ABackend, -10)
                   .arg(c.Name, -16)
                   .arg(Seconds(memory.Seconds), 9)
                   .arg(Seconds(memory.Writing), 7)
                   .arg(QStringLiteral("%1–%2").arg(Seconds(runs.front().Seconds),
                                                    Seconds(runs.back().Seconds)),
                        14)
                   .arg(memory.Statements, 6)
                   .arg(literal.Run ? Seconds(literal.Run->Seconds) : QStringLiteral("—"), 10)
                   .arg(literal.Run ? QString::number(literal.Run->Statements)
                                    : QStringLiteral("—"),
                        10)
                   .arg(memory.Positions, 9)
                   .arg(memory.Pallets, 7)
                   .arg(bound, 6)
            << Qt::endl;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ProcessLocale::UseCNumericFormatting();
    if (app.arguments().contains(QStringLiteral("--dense")))
        return RunDenseBench(Out) ? 0 : 1;

    std::vector<TBenchCase> cases;
    const QList<QPair<int, quint32>> sizes = {
        {20, 20240301u}, {100, 20240302u}, {500, 20240303u}, {2000, 20240304u}, {10000, 20240305u}};
    for (const auto& [positions, seed] : sizes)
        cases.push_back({QStringLiteral("%1 positions").arg(positions),
                         OrderGenerator::Workshop(seed, positions), positions >= 2000 ? 3 : 7});
    cases.push_back({QStringLiteral("1×100000 sheets"), OrderGenerator::SinglePosition(100000), 3});

    Out << "backend    order            memory, s  write  (min–max), s  stmts  literal, s     "
           "stmts positions pallets  bound"
        << Qt::endl;
    QStringList notes;
    try {
        QTemporaryDir folder;
        int file = 0;
        const bool sqlite = RunBackend(
            QStringLiteral("SQLite"), cases,
            [&] {
                auto data = std::make_unique<TDataModule>();
                data->Connect(
                    {QString(), QStringLiteral("bench%1.db").arg(++file), QString(), QString()},
                    folder.path());
                return data;
            },
            notes);
        if (!sqlite)
            return 1;

        const TScratchServer pg = TScratchServer::FromEnv(QStringLiteral("GRAVELON_BENCH_PG"));
        const QByteArray dbEnv = qgetenv("GRAVELON_BENCH_PG_DB");
        const QString database =
            dbEnv.isEmpty() ? QStringLiteral("gravelon_bench") : QString::fromLocal8Bit(dbEnv);
        QString why;
        bool unreachable = false;
        const bool postgres = RunBackend(
            QStringLiteral("PostgreSQL"), cases,
            [&]() -> std::unique_ptr<TDataModule> {
                if (!pg.Reset(database, &why, &unreachable))
                    return nullptr;
                auto data = std::make_unique<TDataModule>();
                data->Connect(pg.Settings(database), QString());
                return data;
            },
            notes);
        for (const QString& n : notes)
            Out << n << Qt::endl;
        if (!postgres) {
            Out << "PostgreSQL " << (unreachable ? "skipped: " : "failed: ") << pg.Host << ':'
                << pg.Port << '/' << database << " (" << why.trimmed() << ")" << Qt::endl;
            if (!unreachable)
                return 1;
        }
        Out << Qt::endl;
        if (!RunDenseBench(Out))
            return 1;
    } catch (const EGravelonError& e) {
        Out << "failed: " << e.Message() << Qt::endl;
        return 1;
    }
    return 0;
}
