// Order workbooks as customers send them: the same order written by many programs
// (tests/intake/corpus/, made by tools/make_corpus.sh) reads the same cells and stores
// the same positions on both backends; hostile and fuzz-found inputs
// (tests/intake/fuzz/) read cleanly or fail with the Russian message, within bounds.

#include "CellText.h"
#include "DataModule.h"
#include "Errors.h"
#include "OrderHeaderStore.h"
#include "OrderImport.h"
#include "TestDatabase.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QSqlRecord>
#include <QtTest>

using TOutcome = TImportResult::TOutcome;

namespace {

QDir SourceDir(const QString& AFolder) {
    return QDir(QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
                    .absoluteFilePath(QStringLiteral("tests/intake/") + AFolder));
}

QStringList Files(const QString& AFolder) {
    const QDir dir = SourceDir(AFolder);
    QStringList out;
    for (const QString& f : dir.entryList(QDir::Files, QDir::Name))
        if (!f.endsWith(QLatin1String(".txt")))
            out << dir.absoluteFilePath(f);
    return out;
}

QString Rows(const TSheetValues& AValues) {
    QStringList lines;
    for (int r = 1; r <= AValues.RowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= AValues.ColCount(); ++c)
            cells << AValues.Cell(r, c);
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

const QString CorpusCells = QStringLiteral(
    "Количество|Цвет|Ширина, мм|Длина, мм|Толщина|Комментарий\n"
    "10|RAL 9003|1200|600|8|первая\n"
    "6|ral 9010|1200|1200|8|квадрат\n"
    "150|RAL 7016|1500|3600|8|01.03.2024\n"
    "|||||\n"
    "  | ||||   \n"
    "1|RAL 050 50 20|190|2500|8|два  пробела\n"
    "4|RAL 5005|300|2000|8|12,5");

QStringList Positions(TDataModule& AData) {
    QStringList out;
    for (const QSqlRecord& r : AData.OpenSql(QStringLiteral(
             "select ap.Width, ap.Height, c.Code, ap.Quantity, ap.Comment from "
             "ApplicatePositions ap inner join Colors c on c.ID = ap.ColorID order by ap.ID")))
        out << QStringLiteral("%1x%2 %3 %4 %5")
                   .arg(r.value(0).toString(), r.value(1).toString(), r.value(2).toString(),
                        r.value(3).toString(), r.value(4).toString());
    return out;
}

// Message of the failure reading APath, or an empty text when it read.
QString Failure(const QString& APath) {
    try {
        TWorkbookReader::ReadActiveSheet(APath);
    } catch (const EGravelonError& e) {
        return e.Message();
    } catch (...) {
        return QStringLiteral("<исключение не того вида>");
    }
    return QString();
}

} // namespace

class TestReadingCorpus : public QObject {
    Q_OBJECT
private slots:
    void sameCellsFromEveryWriter_data();
    void sameCellsFromEveryWriter();
    void samePositionsFromEveryWriter_data();
    void samePositionsFromEveryWriter();
    void cellForms_data();
    void cellForms();
    void fuzzFindingsReadCleanly_data();
    void fuzzFindingsReadCleanly();
};

void TestReadingCorpus::sameCellsFromEveryWriter_data() {
    QTest::addColumn<QString>("file");
    const QStringList files = Files(QStringLiteral("corpus"));
    QVERIFY(files.size() >= 12);
    for (const QString& f : files)
        QTest::newRow(qPrintable(QFileInfo(f).fileName())) << f;
}

// Active sheet not first, header at C3 with a merged cell, formulas by their saved
// results, a date, a blank row, a row of spaces, a double space, a fraction.
void TestReadingCorpus::sameCellsFromEveryWriter() {
    QFETCH(QString, file);
    const QString rows = Rows(TWorkbookReader::ReadActiveSheet(file));
    QVERIFY2(rows == CorpusCells, qPrintable(rows));
}

void TestReadingCorpus::samePositionsFromEveryWriter_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("file");
    for (const QString& f : Files(QStringLiteral("corpus"))) {
        const QString name = QFileInfo(f).fileName();
        QTest::addRow("%s sqlite", qPrintable(name)) << TBackend::Sqlite << f;
        QTest::addRow("%s postgres", qPrintable(name)) << TBackend::Postgres << f;
    }
}

void TestReadingCorpus::samePositionsFromEveryWriter() {
    QFETCH(QString, file);
    GRAVELON_CONNECT(db);
    TOrderImportHooks hooks;
    QStringList messages;
    hooks.ShowMessage = [&](TOrderImportHooks::TMessageKind, const QString& AText) {
        messages << AText;
    };
    hooks.AskOrderHeader = [&](TOrderHeader& AHeader) {
        AHeader.Date = QDate(2024, 3, 1);
        AHeader.DateText = QStringLiteral("01.03.2024");
        AHeader.Number = QStringLiteral("К-1");
        AHeader.CustomerName = QStringLiteral("ООО Фасад");
        AHeader.MaxWeight = QStringLiteral("1500");
        AHeader.MaterialID = QStringLiteral("1");
        TOrderHeaderStore(*db.Data).Record(AHeader);
        return true;
    };
    hooks.EnableCalculation = [] {};
    hooks.RunCalculation = [] {};
    hooks.TerminateApplication = [] {};
    const TImportResult r = TOrderImport(*db.Data, hooks).ImportOrderFile(file);
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
    QCOMPARE(int(r.Outcome), int(TOutcome::Stored));
    QCOMPARE(Positions(*db.Data),
             (QStringList{"1200x600 RAL 9003 10 Лист повернут на 90",
                          "1200x1200 RAL 9010 6 квадрат", "3600x1500 RAL 7016 150 01.03.2024",
                          "2500x190 RAL 050 50 20 1 два  пробела", "2000x300 RAL 5005 4 12,5"}));
}

void TestReadingCorpus::cellForms_data() {
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    const int date = int(CellText::TNumberKind::Date), time = int(CellText::TNumberKind::Time);
    QTest::newRow("1900 system") << 45352.0 << false << date << "01.03.2024";
    QTest::newRow("1904 system") << 43890.0 << true << date << "01.03.2024";
    QTest::newRow("before the false leap day") << 59.0 << false << date << "28.02.1900";
    QTest::newRow("the false leap day") << 60.0 << false << date << "29.02.1900";
    QTest::newRow("after it") << 61.0 << false << date << "01.03.1900";
    QTest::newRow("with a time") << 45352.5 << false << date << "01.03.2024 12:00:00";
    QTest::newRow("time only") << 0.75 << false << time << "18:00:00";
    QTest::newRow("past the calendar") << 3e6 << false << date << "3000000";
    QTest::newRow("not a date") << 45352.0 << false << int(CellText::TNumberKind::Number)
                                << "45352";
}

void TestReadingCorpus::cellForms() {
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QCOMPARE(CellText::Serial(serial, date1904, CellText::TNumberKind(kind)), text);
}

void TestReadingCorpus::fuzzFindingsReadCleanly_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    // Each file's expected reason, where it is fixed (README.txt there says why).
    QHash<QString, QString> reasons;
    QFile list(SourceDir(QStringLiteral("fuzz")).absoluteFilePath(QStringLiteral("README.txt")));
    if (list.open(QIODevice::ReadOnly))
        for (const QByteArray& line : list.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split('\t');
            if (parts.size() >= 2)
                reasons.insert(QString::fromUtf8(parts.at(0)), QString::fromUtf8(parts.at(1)));
        }
    for (const QString& f : Files(QStringLiteral("fuzz")))
        QTest::newRow(qPrintable(QFileInfo(f).fileName()))
            << f << reasons.value(QFileInfo(f).fileName());
}

void TestReadingCorpus::fuzzFindingsReadCleanly() {
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QString message = Failure(file);
    QVERIFY2(!message.startsWith(QLatin1Char('<')), qPrintable(message));
    if (!message.isEmpty())
        QVERIFY2(message.startsWith(QStringLiteral("Не удалось прочитать файл")),
                 qPrintable(message));
    if (reason == QLatin1String("-"))
        QVERIFY2(message.isEmpty(), qPrintable(message));
    else if (!reason.isEmpty())
        QVERIFY2(message.contains(reason), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestReadingCorpus)
#include "tst_reading_corpus.moc"
