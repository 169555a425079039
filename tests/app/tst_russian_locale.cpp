// The program on a Russian desktop: the test runs under LC_ALL=ru_RU.UTF-8 (set by
// ctest; CI generates the locale with localedef) and starts as the program starts,
// Qt's application object first, then the C numeric locale. The written workbook,
// the imported orders, the settings file and the numbers that pass through SQL on
// both backends must not depend on the user's decimal comma.
#include "DataModule.h"
#include "ExportFixture.h"
#include "IniFile.h"
#include "LayoutExport.h"
#include "OrderHeaderStore.h"
#include "OrderImport.h"
#include "ProcessLocale.h"
#include "Settings.h"
#include "SqlDialect.h"
#include "TestDatabase.h"
#include "XlsxReadBack.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <clocale>

using namespace ExportFixture;

namespace {

// How the C library formatted numbers before the program's start-up set it: the
// Russian desktop's comma, when the locale is really there.
bool CommaBeforeStartUp = false;

const QSet<QString> NumericAttributes = {
    QStringLiteral("ht"),          QStringLiteral("width"),      QStringLiteral("defaultRowHeight"),
    QStringLiteral("left"),        QStringLiteral("right"),      QStringLiteral("top"),
    QStringLiteral("bottom"),      QStringLiteral("header"),     QStringLiteral("footer"),
    QStringLiteral("val"),         QStringLiteral("fitToWidth"), QStringLiteral("fitToHeight"),
    QStringLiteral("paperSize"),   QStringLiteral("cx"),         QStringLiteral("cy"),
    QStringLiteral("x"),           QStringLiteral("y"),          QStringLiteral("id"),
    QStringLiteral("min"),         QStringLiteral("max"),        QStringLiteral("defaultColWidth"),
    QStringLiteral("baseColWidth")};

// A strict reader of the package: every cell value that is not text and every
// numeric attribute must be a number written with a point, as the format requires.
// Returns what is not.
QStringList NonConformingNumbers(const TXlsxReadBack& ABook) {
    static const QRegularExpression Number(
        QStringLiteral("^-?[0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]+)?$"));
    static const QRegularExpression CommaNumber(QStringLiteral("^-?[0-9]+,[0-9]+$"));
    QStringList problems;
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/styles.xml", "xl/workbook.xml",
                             "xl/drawings/drawing1.xml"}) {
        const QByteArray data = ABook.Part(QLatin1String(part));
        if (data.isEmpty())
            continue;
        QXmlStreamReader xml(data);
        bool numericCell = false;
        while (!xml.atEnd()) {
            if (!xml.readNext() || !xml.isStartElement())
                continue;
            const QString name = xml.name().toString();
            if (name == QLatin1String("c")) {
                const QString t = xml.attributes().value(QStringLiteral("t")).toString();
                numericCell = t.isEmpty() || t == QLatin1String("n");
            }
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                // Attributes of those names that start like a number must be one
                // ("r:id" and <scheme val="minor"> are names, not numbers).
                const QString value = a.value().toString();
                const bool numeric = NumericAttributes.contains(a.qualifiedName().toString()) &&
                                     !value.isEmpty() &&
                                     (value.front().isDigit() || value.front() == '-');
                if ((numeric && !Number.match(value).hasMatch()) ||
                    CommaNumber.match(value).hasMatch())
                    problems << QStringLiteral("%1 <%2 %3=\"%4\">")
                                    .arg(QLatin1String(part), name, a.name().toString(), value);
            }
            if (name == QLatin1String("v") && numericCell) {
                const QString value = xml.readElementText();
                if (!Number.match(value).hasMatch())
                    problems << QStringLiteral("%1 <v>%2</v>").arg(QLatin1String(part), value);
            }
        }
        if (xml.hasError())
            problems << QStringLiteral("%1: %2").arg(QLatin1String(part), xml.errorString());
    }
    return problems;
}

// The fixture's order, whose blocks add up to fractions of m² (6.1, 22.3), on a
// material of a fractional density.
qlonglong FractionalOrder(TDataModule& AData, const QString& ASpliced) {
    // The density goes in as SQL text, as the reference rows and the archive do.
    AData.ExecSql(QStringLiteral("update Materials set Weight1m2 = %1 where ID = 2").arg(ASpliced));
    return MakeOrder(AData).Id;
}

struct TCliRun {
    int Exit = -1;
    QString Err;
};

TCliRun CliExport(const QString& AIni, const QString& AFile) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
    p.setProcessEnvironment(env);
    p.setProgram(QDir(ProgramFolder()).filePath(QStringLiteral("gravelon-cli")));
    p.setArguments({QStringLiteral("--settings"), AIni, QStringLiteral("export"), AFile});
    p.start();
    TCliRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.Exit = p.exitCode();
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString SourceFile(const QString& APath) {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR")).absoluteFilePath(APath);
}

} // namespace

class TestRussianLocale : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void layoutExport_data() { TestDb::AddBackendRows(); }
    void layoutExport();
    void strictReaderSeesTheComma();
    void cliExport_data() { TestDb::AddBackendRows(); }
    void cliExport();
    void orderImport_data();
    void orderImport();
    void settingsFile();
    void sqlNumbers_data() { TestDb::AddBackendRows(); }
    void sqlNumbers();
};

void TestRussianLocale::initTestCase() {
    // Without the locale the test would pass for the wrong reason.
    const QByteArray ctype = std::setlocale(LC_CTYPE, nullptr);
    QVERIFY2(ctype.startsWith("ru_RU") && CommaBeforeStartUp,
             "the ru_RU.UTF-8 locale is missing: localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 "
             "(tools/setup.sh --tests generates it)");
    QCOMPARE(QLocale().name(), QStringLiteral("ru_RU"));
    QVERIFY(ProcessLocale::NumericFormattingIsC());
}

// The totals are numbers with a point; what the user reads in the table keeps the
// Russian comma, and the totals add those texts up in the user's locale.
void TestRussianLocale::layoutExport() {
    GRAVELON_CONNECT(db);
    const qlonglong order = FractionalOrder(*db.Data, QStringLiteral("21.75"));
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("раскладки.xlsx"));
    TLayoutExport exporter(*db.Data, ProgramFolder());
    QVERIFY2(exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order, {}, {}}),
             qPrintable(exporter.LastError()));
    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    const QStringList problems = NonConformingNumbers(book);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(book.Text(13, 5), QStringLiteral("1,1")); // the second row from the bottom
    QCOMPARE(book.Number(14, 4), 8.0);
    QCOMPARE(book.Number(14, 5), 6.1);
    QCOMPARE(book.Number(52, 5), 22.3);
    QCOMPARE(book.DefaultRowHeight(), 18.75);
    QCOMPARE(book.Text(6, 2), Summary);
}

// The check above can fail: the same export with the C library left in the user's
// numeric locale writes what a spreadsheet misreads.
void TestRussianLocale::strictReaderSeesTheComma() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    const qlonglong order = FractionalOrder(*db.Data, QStringLiteral("21.75"));
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("запятые.xlsx"));
    std::setlocale(LC_NUMERIC, "");
    const bool ok = TLayoutExport(*db.Data, ProgramFolder())
                        .ExportLayouts(file, TLayoutScope::AllPallets, {order, {}, {}});
    ProcessLocale::UseCNumericFormatting();
    QVERIFY(ok);
    const QStringList problems = NonConformingNumbers(TXlsxReadBack(file));
    QVERIFY(!problems.isEmpty());
    QVERIFY2(problems.join(QLatin1Char('\n')).contains(QLatin1String("<v>6,1</v>")),
             qPrintable(problems.join(QLatin1Char('\n'))));
}

// gravelon-cli started on a Russian desktop sets its own numeric locale.
void TestRussianLocale::cliExport() {
    GRAVELON_CONNECT(db);
    FractionalOrder(*db.Data, QStringLiteral("21.75"));
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("из командной строки.xlsx"));
    const TCliRun r = CliExport(db.Db.IniPath, file);
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    const QStringList problems = NonConformingNumbers(book);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(book.Number(14, 5), 6.1);
    QCOMPARE(book.Text(13, 5), QStringLiteral("1,1")); // the second row from the bottom
}

// Workbooks written by other programs read the same: a fraction stays a fraction.
void TestRussianLocale::orderImport_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("file");
    for (const char* file : {"sample.xlsx", "sample.ods", "sample.xls"}) {
        QTest::addRow("%s sqlite", file) << TBackend::Sqlite << QString::fromLatin1(file);
        QTest::addRow("%s postgres", file) << TBackend::Postgres << QString::fromLatin1(file);
    }
}

void TestRussianLocale::orderImport() {
    QFETCH(QString, file);
    GRAVELON_CONNECT(db);
    TOrderImportHooks hooks;
    QStringList messages;
    hooks.ShowMessage = [&](TOrderImportHooks::TMessageKind, const QString& AText) {
        messages << AText;
    };
    hooks.AskOrderHeader = [&](TOrderHeader& AHeader, const TStoreOrder& AStore) {
        AHeader.Date = QDate(2026, 12, 8);
        AHeader.DateText = QStringLiteral("08.12.2026");
        AHeader.Number = QStringLiteral("З-102/10");
        AHeader.CustomerName = QStringLiteral("ООО Фасад");
        AHeader.MaxWeight = QStringLiteral("1500.5");
        AHeader.MaterialID = QStringLiteral("1");
        return AStore(AHeader);
    };
    TOrderImport import(*db.Data, hooks);
    const TImportResult r =
        import.ImportOrderFile(SourceFile(QStringLiteral("tests/intake/data/") + file));
    QVERIFY2(r.Outcome == TImportResult::TOutcome::Stored, qPrintable(messages.join('\n')));
    QStringList positions;
    for (const QSqlRecord& p : db.Data->OpenSql(QStringLiteral(
             "select Width, Height, Quantity, Comment from ApplicatePositions order by ID")))
        positions << QStringLiteral("%1x%2 %3 %4")
                         .arg(p.value(0).toString(), p.value(1).toString(), p.value(2).toString(),
                              p.value(3).toString());
    // The last row's comment is the number 12.5, shown as the Russian desktop shows it.
    QCOMPARE(positions, (QStringList{"1200x600 10 Лист повернут на 90", "1200x1200 5 квадрат",
                                     "3600x1500 150 ", "2500x190 1 12,5"}));
    const QVariant maxW =
        db.Data->OpenSql(QStringLiteral("select MaxW from Applicates")).value(0).value(0);
    QCOMPARE(maxW.toDouble(), 1500.5);
}

// The settings file keeps its UTF-8 texts and the program connects with what it reads.
void TestRussianLocale::settingsFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("; настройки\n[CONNECT]\nServ=\nBaza=старое.db\n[PROGSETTIG]\n"
                "AutoObrabotka=false\n");
    }
    const TIniFile ini(path);
    TConnectionSettings s = GravelonSettings::ReadConnection(ini);
    QCOMPARE(s.Baza, QStringLiteral("старое.db"));
    s.Baza = QStringLiteral("база заявок 1,5.db");
    s.Pass = QStringLiteral("пароль'ё");
    GravelonSettings::WriteConnection(ini, s);
    GravelonSettings::WriteAutoCalc(ini, true);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("; настройки\n[CONNECT]\n"));
    QVERIFY(bytes.contains("Baza=база заявок 1,5.db"));
    const TConnectionSettings back = GravelonSettings::ReadConnection(ini);
    QCOMPARE(back.Baza, s.Baza);
    QCOMPARE(back.Pass, s.Pass);
    QCOMPARE(GravelonSettings::ReadAutoCalc(ini), QStringLiteral("true"));

    TDataModule data;
    data.Connect(back, dir.path());
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("база заявок 1,5.db"))));
    QVERIFY(
        data.OpenSql(QStringLiteral("select count(*) from Materials")).value(0).value(0).toInt() >
        0);
}

// Numbers spliced into SQL text and bound as values, read back, computed by the
// database's functions and formatted by it into text.
void TestRussianLocale::sqlNumbers() {
    GRAVELON_CONNECT(db);
    const qlonglong order = FractionalOrder(*db.Data, QString::number(21.75));
    db.Data->ExecSql(QStringLiteral("update Applicates set MaxW = :w where ID = :id"),
                     {{QStringLiteral(":w"), 1234.5}, {QStringLiteral(":id"), order}});
    const QSqlRecord r =
        db.Data
            ->OpenSql(QStringLiteral("select a.MaxW, m.Weight1m2, cast(m.Weight1m2 as varchar(20)) "
                                     "from Applicates a inner join Materials m on m.ID = a.MatID"))
            .value(0);
    QCOMPARE(r.value(0).toDouble(), 1234.5);
    QCOMPARE(r.value(1).toDouble(), 21.75);
    QCOMPARE(r.value(2).toString(), QStringLiteral("21.75"));

    // The order list finds the order by its day and its number.
    db.Data->OpenOrders(TOrderFilter::ByDate(QDate(2024, 3, 14)));
    QCOMPARE(db.Data->Orders()->RowCount(), 1);
    QCOMPARE(db.Data->Orders()->Value(0, QStringLiteral("Weight1m2")).toDouble(), 21.75);
    QCOMPARE(db.Data->Orders()->Value(0, QStringLiteral("MaxW")).toDouble(), 1234.5);
    db.Data->OpenOrders(TOrderFilter::ByNumber(QStringLiteral("17/20")));
    QCOMPARE(db.Data->Orders()->RowCount(), 1);

    // Pallet weights: 2000 x 500 x 5 and 1200 x 300 x 3 sheets of 21.75 kg/m².
    db.Data->OpenPallets(order);
    QCOMPARE(db.Data->Pallets()->RowCount(), 3);
    const double w = db.Data->Pallets()->Value(0, QStringLiteral("W")).toDouble();
    QVERIFY2(qAbs(w - (1.0 * 5 + 0.36 * 3) * 21.75) < 0.01, qPrintable(QString::number(w)));
}

int main(int argc, char** argv) {
    // As the program starts: Qt takes the user's locale, then numbers go back to "C".
    QApplication app(argc, argv);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    CommaBeforeStartUp = QByteArray(probe) == "0,5";
    ProcessLocale::UseCNumericFormatting();
    TestRussianLocale test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_russian_locale.moc"
