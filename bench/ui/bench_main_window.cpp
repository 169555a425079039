// Measures the main window on large orders, offscreen: the time from the search for the
// order's date to the four grids filled (orders, positions, pallets, the first pallet's
// contents), and the time to move to the next pallet. Workshop orders of 1,000, 5,000
// and 10,000 positions, calculated in memory first, on the embedded database and on a
// PostgreSQL server.
//
// PostgreSQL: GRAVELON_BENCH_PG_HOST, _PORT, _USER, _PASSWORD (defaults localhost, 5432,
// gravelon, gravelon) and GRAVELON_BENCH_PG_UI_DB (default gravelon_bench_ui). The
// database is created when missing and emptied for every order. An unreachable server is
// skipped.

#include "CalculationRun.h"
#include "DataModule.h"
#include "Errors.h"
#include "MainWindow.h"
#include "OrderGenerator.h"
#include "ProcessLocale.h"
#include "Prompts.h"
#include "ScratchPostgres.h"
#include "SqlRun.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>
#include <functional>

namespace {

QTextStream Out(stdout);

template <typename T> T* Child(QObject* ARoot, const char* AName) {
    T* w = ARoot->findChild<T*>(QString::fromLatin1(AName));
    if (!w)
        throw EGravelonError(QStringLiteral("no widget ") + QString::fromLatin1(AName));
    return w;
}

QString Seconds(qint64 ANs) {
    return QString::number(ANs / 1e9, 'f', 3);
}

// One order on the connection given: stored, calculated, then shown.
void Measure(const QString& ABackend, const TConnectionSettings& ASettings, const QString& AFolder,
             int APositions, const std::function<bool()>& AReset) {
    if (!AReset())
        return;
    const QString ini = QDir(AFolder).filePath(QStringLiteral("example.ini"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        throw EGravelonError(QStringLiteral("no settings file"));
    f.write("[PROGSETTIG]\nAutoObrabotka=false\nPlotnayaUkladka=false\n");
    f.close();

    TDataModule data;
    data.Connect(ASettings, AFolder);
    OrderGenerator::Store(data.Connection(), data.Dialect(),
                          OrderGenerator::Workshop(7u, APositions));
    TCalculationRun run(data.Connection(), TCalculationMode::Memory);
    run.Execute();

    TRecordingPrompts prompts;
    TMainWindow window(&data, &prompts, ini, nullptr, false);
    window.resize(1400, 900);
    window.show();
    QCoreApplication::processEvents();
    Child<QDateEdit>(&window, "SearchDate")->setDate(QDate(2024, 3, 1));
    QElapsedTimer t;
    t.start();
    Child<QToolButton>(&window, "SearchByDateButton")->click();
    QCoreApplication::processEvents();
    const qint64 shown = t.nsecsElapsed();
    auto* pallets = Child<QTableView>(&window, "PalletsGrid");
    const int rows = pallets->model()->rowCount();
    const int positions = Child<QTableView>(&window, "PositionsGrid")->model()->rowCount();
    t.restart();
    pallets->selectRow(1);
    QCoreApplication::processEvents();
    const qint64 next = t.nsecsElapsed();
    Out << QStringLiteral("%1 %2 %3 %4 %5 %6")
               .arg(ABackend, -10)
               .arg(APositions, 9)
               .arg(positions, 10)
               .arg(rows, 8)
               .arg(Seconds(shown), 9)
               .arg(Seconds(next), 11)
        << (prompts.Asked.isEmpty()
                ? QString()
                : QStringLiteral("  (asked: ") + prompts.Asked.first().Text + ")")
        << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ProcessLocale::UseCNumericFormatting();
    Out << "Main window on large orders: from the date search to the grids filled, and to the "
           "next pallet (seconds)\n"
        << QStringLiteral("%1 %2 %3 %4 %5 %6")
               .arg(QStringLiteral("backend"), -10)
               .arg(QStringLiteral("positions"), 9)
               .arg(QStringLiteral("after calc"), 10)
               .arg(QStringLiteral("pallets"), 8)
               .arg(QStringLiteral("shown, s"), 9)
               .arg(QStringLiteral("next pallet"), 11)
        << Qt::endl;
    const QList<int> sizes = {1000, 5000, 10000};
    try {
        for (int positions : sizes) {
            QTemporaryDir dir;
            Measure(QStringLiteral("SQLite"),
                    {QString(), QStringLiteral("bench.db"), QString(), QString()}, dir.path(),
                    positions, [] { return true; });
        }
    } catch (const EGravelonError& e) {
        Out << "SQLite: " << e.Message() << "\n";
        return 1;
    }

    const TScratchServer pg = TScratchServer::FromEnv(QStringLiteral("GRAVELON_BENCH_PG"));
    const QByteArray dbEnv = qgetenv("GRAVELON_BENCH_PG_UI_DB");
    const QString database =
        dbEnv.isEmpty() ? QStringLiteral("gravelon_bench_ui") : QString::fromLocal8Bit(dbEnv);
    bool unreachable = false;
    QString why;
    const auto reset = [&] {
        if (pg.Reset(database, &why, &unreachable))
            return true;
        Out << "PostgreSQL: " << (unreachable ? "skipped" : "failed") << " (" << why.trimmed()
            << ")\n";
        return false;
    };
    try {
        for (int positions : sizes) {
            QTemporaryDir dir;
            Measure(QStringLiteral("PostgreSQL"), pg.Settings(database), dir.path(), positions,
                    reset);
            if (unreachable)
                return 0;
        }
    } catch (const EGravelonError& e) {
        Out << "PostgreSQL: " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
