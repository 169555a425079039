// Measures the layout export of an order of 500 pallets, on the embedded database and
// on a PostgreSQL server: the whole export (every pallet), the statements alone (and,
// for comparison, the blocks read one pallet at a time), a single pallet, and the
// shipping notes as a PDF (reading, then painting and writing), of every pallet and of
// one. The order is put straight into the tables. Last, on the embedded database, the
// workbook of orders of 2,000 and 6,000 pallets, to show the time per pallet stays flat.
//
// PostgreSQL: GRAVELON_BENCH_PG_HOST, _PORT, _USER, _PASSWORD (defaults localhost, 5432,
// gravelon, gravelon) and GRAVELON_BENCH_PG_EXPORT_DB (default gravelon_bench_export).
// The database is created when missing and its public schema recreated for every run.
// An unreachable server is skipped.

#include "DataModule.h"
#include "Errors.h"
#include "LayoutBlocks.h"
#include "LayoutExport.h"
#include "LayoutStatements.h"
#include "ProcessLocale.h"
#include "ScratchPostgres.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"
#include "SqlRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <limits>

namespace {

QTextStream Out(stdout);

constexpr int Pallets = 500;
constexpr int Runs = 3;

qlonglong Insert(TDataModule& AData, const QString& ASql, const QVariantMap& ABinds) {
    return SqlRun::Value(AData.Connection(), ASql + QStringLiteral(" returning ID"), ABinds)
        .toLongLong();
}

struct TOrder {
    qlonglong Id = 0;
    QList<qlonglong> Pallets;
    int Rows = 0;
};

// APallets pallets of 1 to 6 placements each, in the twelve colours, one position per
// placement; always the same order (fixed seed).
TOrder MakeOrder(TDataModule& AData, int APallets = Pallets) {
    QRandomGenerator random(20240314);
    TOrder o;
    TTransaction tr(AData.Connection(), AData.Dialect());
    const qlonglong customer =
        Insert(AData, QStringLiteral("insert into Customers (Name, NameSravn) values (:n, :s)"),
               {{QStringLiteral(":n"), QStringLiteral("ООО «Стройфасад»")},
                {QStringLiteral(":s"), QStringLiteral("ооо«стройфасад»")}});
    o.Id = Insert(AData,
                  QStringLiteral("insert into Applicates (Number, Date, CustomerID, MatID, "
                                 "Comment, MaxW) values (:n, :d, :c, 2, :cm, 1000)"),
                  {{QStringLiteral(":n"), QStringLiteral("Б-500")},
                   {QStringLiteral(":d"), QStringLiteral("2024-03-14")},
                   {QStringLiteral(":c"), customer},
                   {QStringLiteral(":cm"), QStringLiteral("нагрузочный")}});
    for (int p = 0; p < APallets; ++p) {
        const qlonglong colour = 1 + p % 12;
        const int length = 1500 + 100 * int(random.bounded(16));
        const int width = 1000 + 100 * int(random.bounded(3));
        const qlonglong pallet = Insert(
            AData,
            QStringLiteral("insert into Palletes (ColorID, Length, Width, MaxH, MaxW, Number) "
                           "values (:c, :l, :w, 50, 1000, :n)"),
            {{QStringLiteral(":c"), colour},
             {QStringLiteral(":l"), length},
             {QStringLiteral(":w"), width},
             {QStringLiteral(":n"), QString::number(p + 1)}});
        o.Pallets << pallet;
        const int rows = 1 + int(random.bounded(6));
        for (int r = 0; r < rows; ++r) {
            const int h = 200 + 50 * int(random.bounded(20));
            const int q = 1 + int(random.bounded(40));
            const qlonglong pos = Insert(
                AData,
                QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, Height, "
                               "ColorID, Quantity, Comment) values (:a, :w, :h, :c, :q, :cm)"),
                {{QStringLiteral(":a"), o.Id},
                 {QStringLiteral(":w"), length - 100 * int(random.bounded(5))},
                 {QStringLiteral(":h"), h},
                 {QStringLiteral(":c"), colour},
                 {QStringLiteral(":q"), q},
                 {QStringLiteral(":cm"), r % 3 == 0 ? QVariant(QStringLiteral("кромка"))
                                                    : QVariant(QMetaType::fromType<QString>())}});
            Insert(AData,
                   QStringLiteral("insert into Solutions (ApplicateID, PosID, PalleteID, "
                                  "QuantityInRow, Quantity, Comment) values (:a, :p, :l, 1, :q, "
                                  "null)"),
                   {{QStringLiteral(":a"), o.Id},
                    {QStringLiteral(":p"), pos},
                    {QStringLiteral(":l"), pallet},
                    {QStringLiteral(":q"), q}});
            ++o.Rows;
        }
    }
    tr.Commit();
    return o;
}

QString Ms(qint64 ANs) {
    return QString::number(ANs / 1e6, 'f', 1) + QStringLiteral(" ms");
}

// Runs AFunc ARuns times; the fastest and the slowest run, in nanoseconds.
template <typename F> std::pair<qint64, qint64> Time(int ARuns, F AFunc) {
    qint64 best = std::numeric_limits<qint64>::max(), worst = 0;
    for (int i = 0; i < ARuns; ++i) {
        QElapsedTimer t;
        t.start();
        AFunc();
        const qint64 ns = t.nsecsElapsed();
        best = std::min(best, ns);
        worst = std::max(worst, ns);
    }
    return {best, worst};
}

void Measure(const QString& ABackend, TDataModule& AData, const QString& AFolder) {
    QElapsedTimer build;
    build.start();
    const TOrder order = MakeOrder(AData);
    Out << ABackend << ": order of " << Pallets << " pallets, " << order.Rows
        << " placements, put in the tables in " << Ms(build.nsecsElapsed()) << "\n";

    const QString file = QDir(AFolder).filePath(QStringLiteral("layouts.xlsx"));
    bool ok = true;
    QString error;
    auto exportAll = [&] {
        TLayoutExport exporter(AData, QCoreApplication::applicationDirPath());
        ok = ok && exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order.Id, {}, {}});
        if (!exporter.LastError().isEmpty())
            error = exporter.LastError();
    };
    const auto [allBest, allWorst] = Time(Runs, exportAll);
    if (!ok) {
        Out << "  export failed: " << error << "\n";
        return;
    }
    Out << "  every pallet (mode 1): best " << Ms(allBest) << ", worst " << Ms(allWorst) << " of "
        << Runs << " runs; " << QString::number(allBest / 1e6 / Pallets, 'f', 2)
        << " ms per pallet; file " << QFileInfo(file).size() / 1024 << " KiB\n";

    const TLayoutStatements statements(AData);
    const auto [sqlBest, sqlWorst] = Time(Runs, [&] {
        statements.OrderSummary(order.Id);
        AData.PalletIds(order.Id);
        const TLayoutBlocks blocks(AData, order.Id);
    });
    Out << "  statements alone (S1, pallet list, every block in two statements): best "
        << Ms(sqlBest) << ", worst " << Ms(sqlWorst) << "; the workbook takes the rest ("
        << Ms(std::max<qint64>(0, allBest - sqlBest)) << ")\n";
    // What reading cost with two statements a pallet, for comparison.
    const auto [perBest, perWorst] = Time(1, [&] {
        TLayoutHeader header;
        for (qlonglong pallet : order.Pallets) {
            statements.BlockHeader(order.Id, pallet, &header);
            statements.Contents(order.Id, pallet);
        }
    });
    Out << "  for comparison, S2 and S3 run once per pallet: " << Ms(perBest) << "\n";

    const QString one = QDir(AFolder).filePath(QStringLiteral("one.xlsx"));
    const qlonglong last = order.Pallets.last();
    const auto [oneBest, oneWorst] = Time(Runs, [&] {
        TLayoutExport exporter(AData, QCoreApplication::applicationDirPath());
        ok = ok && exporter.ExportLayouts(one, TLayoutScope::OnePallet,
                                          {order.Id, last, int(Pallets)});
    });
    Out << "  one pallet (mode 2): best " << Ms(oneBest) << ", worst " << Ms(oneWorst)
        << (ok ? "" : " (FAILED)") << "\n";

    const QString pdf = QDir(AFolder).filePath(QStringLiteral("notes.pdf"));
    int pages = 0;
    qint64 readBest = std::numeric_limits<qint64>::max();
    qint64 writeBest = std::numeric_limits<qint64>::max();
    const auto [pdfBest, pdfWorst] = Time(Runs, [&] {
        try {
            QElapsedTimer step;
            step.start();
            const TShippingNotesDocument document(
                TShippingNoteReader(AData).Read({order.Id, {}, {}}, false),
                QCoreApplication::applicationDirPath());
            readBest = std::min(readBest, step.nsecsElapsed());
            step.restart();
            pages = document.SavePdf(pdf);
            writeBest = std::min(writeBest, step.nsecsElapsed());
        } catch (const EGravelonError& e) {
            error = e.Message();
            ok = false;
        }
    });
    if (!ok) {
        Out << "  PDF failed: " << error << "\n";
        return;
    }
    Out << "  PDF of every pallet: best " << Ms(pdfBest) << ", worst " << Ms(pdfWorst) << " of "
        << Runs << " runs (target: 3 s); " << pages << " pages, " << QFileInfo(pdf).size() / 1024
        << " KiB; best reading " << Ms(readBest) << ", best painting and writing " << Ms(writeBest)
        << "\n";

    const QString onePdf = QDir(AFolder).filePath(QStringLiteral("one.pdf"));
    const auto [onePdfBest, onePdfWorst] = Time(Runs, [&] {
        try {
            const TShippingNotesDocument document(
                TShippingNoteReader(AData).Read({order.Id, last, int(Pallets)}, true),
                QCoreApplication::applicationDirPath());
            document.SavePdf(onePdf);
        } catch (const EGravelonError& e) {
            error = e.Message();
            ok = false;
        }
    });
    Out << "  PDF of one pallet: best " << Ms(onePdfBest) << ", worst " << Ms(onePdfWorst)
        << (ok ? "" : " (FAILED: " + error + ")") << "\n";
    Out.flush();
}

// The workbook of every pallet of larger orders, once each on a fresh database.
void MeasureLarger(const QString& AFolder) {
    for (const int pallets : {2000, 6000}) {
        const QString folder = QDir(AFolder).filePath(QString::number(pallets));
        QDir().mkpath(folder);
        TDataModule data;
        data.Connect({QString(), QStringLiteral("bench.db"), QString(), QString()}, folder);
        const TOrder order = MakeOrder(data, pallets);
        const QString file = QDir(folder).filePath(QStringLiteral("layouts.xlsx"));
        TLayoutExport exporter(data, QCoreApplication::applicationDirPath());
        QElapsedTimer t;
        t.start();
        const bool ok = exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order.Id, {}, {}});
        const qint64 ns = t.nsecsElapsed();
        Out << "SQLite: every pallet of " << pallets << " (" << order.Rows << " placements): ";
        if (ok)
            Out << Ms(ns) << ", " << QString::number(ns / 1e6 / pallets, 'f', 2)
                << " ms per pallet; file " << QFileInfo(file).size() / 1024 << " KiB\n";
        else
            Out << "FAILED: " << exporter.LastError() << "\n";
        Out.flush();
    }
}

} // namespace

int main(int argc, char** argv) {
    // The PDF needs fonts, so a GUI application, on the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ProcessLocale::UseCNumericFormatting();
    Out << "Layout export benchmark, " << Pallets << " pallets\n";

    {
        QTemporaryDir dir;
        TDataModule data;
        try {
            data.Connect({QString(), QStringLiteral("bench.db"), QString(), QString()}, dir.path());
            Measure(QStringLiteral("SQLite"), data, dir.path());
            MeasureLarger(dir.path());
        } catch (const EGravelonError& e) {
            Out << "SQLite: " << e.Message() << "\n";
            return 1;
        }
    }

    const TScratchServer pg = TScratchServer::FromEnv(QStringLiteral("GRAVELON_BENCH_PG"));
    const QByteArray dbEnv = qgetenv("GRAVELON_BENCH_PG_EXPORT_DB");
    const QString database =
        dbEnv.isEmpty() ? QStringLiteral("gravelon_bench_export") : QString::fromLocal8Bit(dbEnv);
    QString why;
    bool unreachable = false;
    if (!pg.Reset(database, &why, &unreachable)) {
        Out << "PostgreSQL: " << (unreachable ? "skipped" : "failed") << " (" << why.trimmed()
            << ")\n";
        return unreachable ? 0 : 1;
    }
    QTemporaryDir dir;
    TDataModule data;
    try {
        data.Connect(pg.Settings(database), dir.path());
        Measure(QStringLiteral("PostgreSQL"), data, dir.path());
    } catch (const EGravelonError& e) {
        Out << "PostgreSQL: " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
