// Reading, checking and storing a 10,000-row order workbook: each format read, the
// sheet checks, and the whole import (checks, header, positions in one transaction)
// on the embedded database and on PostgreSQL (GRAVELON_BENCH_PG_HOST/PORT/USER/
// PASSWORD, default localhost:5432 gravelon/gravelon, database gravelon_bench_intake,
// recreated for each run). Prints figures; it is not a test.

#include "DataModule.h"
#include "Errors.h"
#include "OrderHeaderStore.h"
#include "OrderImport.h"
#include "ProcessLocale.h"
#include "ScratchPostgres.h"
#include "Settings.h"
#include "WorkbookReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

QTextStream Out(stdout);

bool Run(const QString& AProgram, const QStringList& AArgs) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(AProgram, AArgs);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

double Ms(const QElapsedTimer& ATimer) {
    return ATimer.nsecsElapsed() / 1e6;
}

void Backend(const QString& AName, const TConnectionSettings& ASettings, const QString& AFolder,
             const TSheetValues& AValues) {
    TDataModule data;
    try {
        data.Connect(ASettings, AFolder);
    } catch (const EGravelonError& e) {
        Out << AName << ": " << e.Message() << "\n";
        return;
    }
    Out << AName << ":\n";
    TOrderImportHooks hooks;
    int number = 0;
    hooks.AskOrderHeader = [&](TOrderHeader& AHeader, const TStoreOrder& AStore) {
        AHeader.Date = QDate(2024, 3, 1);
        AHeader.Number = QStringLiteral("bench-%1").arg(++number);
        AHeader.CustomerName = QStringLiteral("ООО Замер");
        AHeader.MaxWeight = QStringLiteral("1500");
        AHeader.MaterialID = QStringLiteral("1");
        return AStore(AHeader);
    };
    hooks.ShowMessage = [](TOrderImportHooks::TMessageKind, const QString& AText) {
        Out << "  сообщение: " << AText << "\n";
    };
    for (int run = 1; run <= 3; ++run) {
        QElapsedTimer t;
        t.start();
        data.Archivation();
        const double archive = Ms(t);
        t.restart();
        const TImportResult r = TOrderImport(data, hooks).ReadOrderSheet(AValues);
        const double import = Ms(t);
        Out << QStringLiteral("  прогон %1: архивация %2 мс, проверка и запись %3 позиций "
                              "(%4 инструкций) %5 мс%6\n")
                   .arg(run)
                   .arg(archive, 0, 'f', 1)
                   .arg(r.Positions)
                   .arg(r.Statements)
                   .arg(import, 0, 'f', 1)
                   .arg(r.Outcome == TImportResult::TOutcome::Stored
                            ? QString()
                            : QStringLiteral(" (НЕ ЗАПИСАНО)"));
    }
    // Storing alone, under the last order's key.
    QList<TOrderRow> rows = TOrderSheet::DropBlankRows(
        TOrderSheet::ExtractRows(AValues, TOrderSheet::MapColumns(AValues)));
    TOrderSheet::Orient(rows);
    for (TOrderRow& row : rows)
        row.ColorID = 1;
    const qlonglong order = data.OpenSql(QStringLiteral("select max(ID) from Applicates"))
                                .value(0)
                                .value(0)
                                .toLongLong();
    QElapsedTimer t;
    t.start();
    const int statements = TOrderImport(data, hooks).InsertOrderPositions(order, rows);
    Out << QStringLiteral("  только запись %1 позиций (%2 инструкций): %3 мс\n")
               .arg(rows.size())
               .arg(statements)
               .arg(Ms(t), 0, 'f', 1);
    Out.flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ProcessLocale::UseCNumericFormatting();
    const int rowCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("order"));
    const QString source = QStringLiteral(GRAVELON_SOURCE_DIR);
    Out << "Заявка из " << rowCount << " строк\n";
    if (!Run(QStringLiteral("python3"),
             {source + QStringLiteral("/tools/make_examples.py"), QStringLiteral("--bench"),
              QString::number(rowCount), base})) {
        Out << "Не удалось записать книги (нужен python3)\n";
        return 1;
    }
    const bool xls = Run(QStringLiteral("perl"), {source + QStringLiteral("/tools/make_xls.pl"),
                                                  base + QStringLiteral(".json")});
    TSheetValues values;
    for (const char* ext : {"xlsx", "ods", "xls"}) {
        if (QLatin1String(ext) == QLatin1String("xls") && !xls) {
            Out << "  .xls: не записан (нужен Spreadsheet::WriteExcel)\n";
            continue;
        }
        const QString file = base + QLatin1Char('.') + QLatin1String(ext);
        double best = 1e18;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            try {
                values = TWorkbookReader::ReadActiveSheet(file);
            } catch (const EGravelonError& e) {
                Out << e.Message() << "\n";
                return 1;
            }
            best = qMin(best, Ms(t));
        }
        Out << QStringLiteral("чтение .%1 (%2 КБ): %3 × %4 ячеек, лучшее из 3: %5 мс\n")
                   .arg(QLatin1String(ext))
                   .arg(QFileInfo(file).size() / 1024)
                   .arg(values.RowCount())
                   .arg(values.ColCount())
                   .arg(best, 0, 'f', 1);
    }
    {
        QElapsedTimer t;
        t.start();
        QList<TOrderRow> rows = TOrderSheet::DropBlankRows(
            TOrderSheet::ExtractRows(values, TOrderSheet::MapColumns(values)));
        TOrderSheet::Orient(rows);
        const QStringList invalid = TOrderSheet::InvalidRowLines(rows);
        Out << QStringLiteral("проверки листа без базы (%1 строк, %2 неполных): %3 мс\n")
                   .arg(rows.size())
                   .arg(invalid.size())
                   .arg(Ms(t), 0, 'f', 1);
    }
    Out.flush();

    TConnectionSettings sqlite;
    sqlite.Baza = QStringLiteral("bench.db");
    Backend(QStringLiteral("SQLite"), sqlite, dir.path(), values);

    const QString pgName = QStringLiteral("gravelon_bench_intake");
    const TScratchServer pg = TScratchServer::FromEnv(QStringLiteral("GRAVELON_BENCH_PG"));
    QString why;
    if (pg.Reset(pgName, &why))
        Backend(QStringLiteral("PostgreSQL"), pg.Settings(pgName), dir.path(), values);
    else
        Out << "  PostgreSQL недоступен: " << why.trimmed() << "\n";
    return 0;
}
