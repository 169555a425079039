// The order import: column mapping, the row checks with their causes and the
// sheet's row numbers, the database checks (thickness known and one for the whole
// order, colour), storing the positions in one transaction, and taking the recorded
// header back when the positions cannot be stored. Database behaviour on both
// backends.

#include "DataModule.h"
#include "Errors.h"
#include "OrderHeaderStore.h"
#include "OrderImport.h"
#include "OrderWorkbook.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

using TMessageKind = TOrderImportHooks::TMessageKind;
using TOutcome = TImportResult::TOutcome;

namespace {

const QStringList Header = {QStringLiteral("Цвет"),       QStringLiteral("Длина"),
                            QStringLiteral("Ширина"),     QStringLiteral("Толщина"),
                            QStringLiteral("Количество"), QStringLiteral("Комментарий")};

QString DataFile(const QString& AName) {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
        .absoluteFilePath(QStringLiteral("tests/intake/data/") + AName);
}

// Records what the import asked of its window; the header goes to the import's store
// as the dialog's save hands it over.
struct TWindow {
    explicit TWindow(TDataModule& AData) : Data(AData) {}
    TDataModule& Data;
    QList<QPair<TMessageKind, QString>> Messages;
    QList<QPair<QString, QString>> Reports; // caption, text
    int HeaderAsks = 0, Runs = 0, Enables = 0;
    qlonglong CalculatedOrder = 0;
    QString Desktop;
    bool Auto = false;
    QString SheetThickness; // what the import told the header it asked for
    std::function<void()> BeforeStore;

    TOrderImportHooks Hooks() {
        TOrderImportHooks h;
        h.ShowMessage = [this](TMessageKind k, const QString& t) { Messages.append({k, t}); };
        h.ShowReport = [this](const QString& c, const QString& t) { Reports.append({c, t}); };
        h.AskOrderHeader = [this](TOrderHeader& AHeader, const TStoreOrder& AStore) {
            ++HeaderAsks;
            SheetThickness = AHeader.SheetThickness;
            if (BeforeStore)
                BeforeStore();
            AHeader.Date = QDate(2021, 5, 31);
            AHeader.DateText = QStringLiteral("31.05.2021");
            AHeader.Number = QStringLiteral("З-17");
            AHeader.CustomerName = QStringLiteral("ООО Фасад");
            AHeader.MaxWeight = QStringLiteral("1500");
            AHeader.MaterialID = QStringLiteral("1");
            return AStore(AHeader);
        };
        h.AutoCalculation = Auto;
        h.RunCalculation = [this](qlonglong AOrderId) {
            ++Runs;
            CalculatedOrder = AOrderId;
        };
        h.EnableCalculation = [this] { ++Enables; };
        h.DesktopFolder = Desktop;
        return h;
    }
};

TSheetValues Sheet(const QList<QStringList>& ARows) {
    return TSheetValues::FromRows(ARows);
}


// Positions as "Width x Height colour-code qty comment", in key order.
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

} // namespace

class TestOrderImport : public QObject {
    Q_OBJECT
private slots:
    void mapColumns_data();
    void mapColumns();
    void orientation();
    void invalidRowNumbering();
    void rowProblems_data();
    void rowProblems();
    void rowNumbers();

    void importWorkbook_data();
    void importWorkbook();
    void orderSheetChoice_data();
    void orderSheetChoice();
    void sheetWithoutActiveTab_data() { TestDb::AddBackendRows(); }
    void sheetWithoutActiveTab();
    void sheetAborts_data();
    void sheetAborts();
    void invalidRowsReport_data();
    void invalidRowsReport();
    void thicknessMatching_data();
    void thicknessMatching();
    void mixedThicknesses_data();
    void mixedThicknesses();
    void unknownColours_data();
    void unknownColours();
    void manyRowsInThreeStatements_data();
    void manyRowsInThreeStatements();
    void failedStoringRemovesHeader_data();
    void failedStoringRemovesHeader();
    void automaticCalculation_data();
    void automaticCalculation();
};

void TestOrderImport::mapColumns_data() {
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QList<int>>("columns");
    QTest::newRow("fixed order") << Header << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("any order") << QStringList{"Количество", "Цвет",    "Ширина",
                                              "Длина",      "Толщина", "Комментарий"}
                               << QList<int>{2, 4, 3, 5, 1, 6};
    QTest::newRow("inside longer texts")
        << QStringList{"Цвет RAL",      "Длина, мм",      "Ширина, мм",
                       "Толщина листа", "Количество, шт", "Комментарий"}
        << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("spaces removed before the test")
        << QStringList{"Ц в е т", "Дли на", "Ширина", "Толщина", "Количество", "Комментарий"}
        << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("leftmost wins")
        << QStringList{"Цвет", "Длина", "Длина2", "Ширина", "Толщина", "Количество", "Комментарий"}
        << QList<int>{1, 2, 4, 5, 6, 7};
    QTest::newRow("case counts, a missing word maps to 0")
        << QStringList{"цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий"}
        << QList<int>{0, 2, 3, 4, 5, 6};
    QTest::newRow("one column for two words")
        << QStringList{"ЦветДлина", "Ширина", "Толщина", "Количество", "Комментарий"}
        << QList<int>{1, 1, 2, 3, 4, 5};
}

void TestOrderImport::mapColumns() {
    QFETCH(QStringList, header);
    QFETCH(QList<int>, columns);
    QCOMPARE(TOrderSheet::MapColumns(Sheet({header})), columns);
}

void TestOrderImport::orientation() {
    QList<TOrderRow> rows(3);
    rows[0].Fields = {"RAL 9003", "600", "1200", "8", "3", "свой"};
    rows[1].Fields = {"RAL 9003", "1200", "1200", "8", "3", "квадрат"};
    rows[2].Fields = {"RAL 9003", "2500", "190", "8", "3", ""};
    QVERIFY(TOrderSheet::Orient(rows));
    QCOMPARE(rows[0].Fields[1], QStringLiteral("1200"));
    QCOMPARE(rows[0].Fields[2], QStringLiteral("600"));
    QCOMPARE(rows[0].Fields[5], QStringLiteral("Лист повернут на 90"));
    QCOMPARE(rows[1].Fields[5], QStringLiteral("квадрат"));
    QCOMPARE(rows[2].Fields[1], QStringLiteral("2500"));

    // Sizes and quantities reach the integer columns in their plain form.
    QList<TOrderRow> plain(1);
    plain[0].Fields = {"RAL 9003", " +600", "1200 ", "8", "+3", "x"};
    QVERIFY(TOrderSheet::Orient(plain));
    QCOMPARE(plain[0].Fields[1], QStringLiteral("1200"));
    QCOMPARE(plain[0].Fields[2], QStringLiteral("600"));
    QCOMPARE(plain[0].Fields[4], QStringLiteral("3"));

    for (const char* bad : {"12,5", "", "abc", "1 200", "99999999999", "0", "-600"}) {
        QList<TOrderRow> r(1);
        r[0].Fields = {"RAL 9003", QString::fromUtf8(bad), "600", "8", "3", ""};
        QVERIFY2(!TOrderSheet::Orient(r), bad);
    }
}

void TestOrderImport::invalidRowNumbering() {
    // Blank rows (empty or spaces only) are dropped before numbering.
    const TSheetValues v = Sheet({Header,
                                  {"", "", "", "", "", ""},
                                  {" ", "  ", "", "", "", " "},
                                  {"RAL 9003", "1200", "600", "", "5", "к"},
                                  {"RAL 9003", "1200", "600", "8", "5", ""},
                                  {"RAL 9010", "1300", "700", "8", "", ""},
                                  {" ", "1300", "700", "8", "2", ""}});
    const QList<TOrderRow> rows =
        TOrderSheet::DropBlankRows(TOrderSheet::ExtractRows(v, TOrderSheet::MapColumns(v)));
    QCOMPARE(rows.size(), 4);
    // Rows are named by the sheet's numbers, blank rows and the header counted; a
    // field of spaces is not empty: the last row is complete.
    QCOMPARE(TOrderSheet::InvalidRowLines(rows),
             (QStringList{"Строка 4 | RAL 9003 | 1200 | 600 |  | 5 | к | не заполнено поле Толщина",
                          "Строка 6 | RAL 9010 | 1300 | 700 | 8 |  |  | не заполнено поле "
                          "Количество"}));
    // A used range that begins lower down keeps the sheet's numbers.
    TSheetValues lower = Sheet({Header, {"RAL 9003", "1200", "600", "", "5", ""}});
    lower.SetFirstSheetRow(5);
    QCOMPARE(TOrderSheet::ExtractRows(lower, TOrderSheet::MapColumns(lower)).first().SheetRow, 6);
}

void TestOrderImport::rowProblems_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("problems");
    const QString max = QStringLiteral(" не целое число от 1 до 2147483647");
    QTest::newRow("complete") << QStringList{"RAL 9003", "1200", "600", "8", "5", ""} << QString();
    QTest::newRow("largest values")
        << QStringList{"RAL 9003", "2147483647", "1", "8", "2147483647", ""} << QString();
    QTest::newRow("several missing") << QStringList{"", "1200", "", "8", "5", ""}
                                     << QStringLiteral("не заполнены поля Цвет, Ширина");
    QTest::newRow("zero length") << QStringList{"RAL 9003", "0", "600", "8", "5", ""}
                                 << QStringLiteral("Длина «0»") + max;
    QTest::newRow("negative width") << QStringList{"RAL 9003", "1200", "-1", "8", "5", ""}
                                    << QStringLiteral("Ширина «-1»") + max;
    QTest::newRow("past the integer") << QStringList{"RAL 9003", "2147483648", "600", "8", "5", ""}
                                      << QStringLiteral("Длина «2147483648»") + max;
    QTest::newRow("fractional quantity") << QStringList{"RAL 9003", "1200", "600", "8", "1.5", ""}
                                         << QStringLiteral("Количество «1.5»") + max;
    QTest::newRow("zero quantity") << QStringList{"RAL 9003", "1200", "600", "8", "0", ""}
                                   << QStringLiteral("Количество «0»") + max;
    QTest::newRow("negative quantity") << QStringList{"RAL 9003", "1200", "600", "8", "-1", ""}
                                       << QStringLiteral("Количество «-1»") + max;
    QTest::newRow("quantity past the integer")
        << QStringList{"RAL 9003", "1200", "600", "8", "2147483648", ""}
        << QStringLiteral("Количество «2147483648»") + max;
    QTest::newRow("fractional length, missing thickness")
        << QStringList{"RAL 9003", "12,5", "600", "", "5", ""}
        << QStringLiteral("не заполнено поле Толщина; Длина «12,5»") + max;
    // A cell is quoted by its first 100 characters, however long it is.
    QTest::newRow("a megabyte of a length")
        << QStringList{"RAL 9003", QString(1 << 20, QLatin1Char('7')) + QLatin1Char('x'), "600",
                       "8", "5", ""}
        << QStringLiteral("Длина «%1…»").arg(QString(100, QLatin1Char('7'))) + max;
}

void TestOrderImport::rowProblems() {
    QFETCH(QStringList, fields);
    QFETCH(QString, problems);
    TOrderRow row;
    for (int i = 0; i < 6; ++i)
        row.Fields[i] = fields.at(i);
    QCOMPARE(TOrderSheet::RowProblems(row), problems);
    QList<TOrderRow> rows{row};
    QCOMPARE(TOrderSheet::Orient(rows), problems.isEmpty());
}

void TestOrderImport::rowNumbers() {
    QCOMPARE(TOrderSheet::RowNumbers({3}), QStringLiteral("строка 3"));
    QCOMPARE(TOrderSheet::RowNumbers({9, 2, 3, 4, 7, 3}), QStringLiteral("строки 2–4, 7, 9"));
}

void TestOrderImport::importWorkbook_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("file");
    for (const char* file : {"sample.xlsx", "sample.ods", "sample.xls"}) {
        QTest::addRow("%s sqlite", file) << TBackend::Sqlite << QString::fromLatin1(file);
        QTest::addRow("%s postgres", file) << TBackend::Postgres << QString::fromLatin1(file);
    }
}

void TestOrderImport::importWorkbook() {
    QFETCH(QString, file);
    GRAVELON_CONNECT(db);
    TWindow w(*db.Data);
    TOrderImport import(*db.Data, w.Hooks());
    const TImportResult r = import.ImportOrderFile(DataFile(file));
    QCOMPARE(int(r.Outcome), int(TOutcome::Stored));
    QVERIFY(w.Messages.isEmpty());
    QCOMPARE(w.HeaderAsks, 1);
    QCOMPARE(w.Enables, 1);
    QCOMPARE(w.Runs, 0);
    QCOMPARE(r.Positions, 4);
    QCOMPARE(r.Statements, 1);
    QCOMPARE(
        Positions(*db.Data),
        (QStringList{"1200x600 RAL 9003 10 Лист повернут на 90", "1200x1200 RAL 9010 5 квадрат",
                     "3600x1500 RAL 7016 150 ", "2500x190 RAL 050 50 20 1 12,5"}));
    const QList<QSqlRecord> order =
        db.Data->OpenSql(QStringLiteral("select ID, Number, Date, MatID, MaxW from Applicates"));
    QCOMPARE(order.size(), 1);
    QCOMPARE(order.first().value(0).toLongLong(), r.OrderID);
    QCOMPARE(order.first().value(1).toString(), QStringLiteral("З-17"));
    QCOMPARE(order.first().value(2).toString().left(10), QStringLiteral("2021-05-31"));
    QCOMPARE(order.first().value(4).toDouble(), 1500.0);
}

// Sheets given by their first rows: "H" a header row, "-" a calculation's.
void TestOrderImport::orderSheetChoice_data() {
    QTest::addColumn<QString>("kinds");
    QTest::addColumn<int>("active");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("activeName"); // when another sheet was taken
    QTest::addColumn<bool>("noActive");
    QTest::newRow("active has the header") << "HH" << 1 << "S1" << QString() << false;
    QTest::newRow("active without, one other with") << "-H-" << 0 << "S1"
                                                    << "S0" << false;
    QTest::newRow("active without, two others with") << "-HH" << 0 << "S0" << QString() << false;
    QTest::newRow("active without, none with") << "--" << 1 << "S1" << QString() << false;
    QTest::newRow("none active, second with") << "-H" << -1 << "S1" << QString() << true;
    QTest::newRow("none active, first with") << "HH" << -1 << "S0" << QString() << true;
    QTest::newRow("none active, none with") << "--" << -1 << "S0" << QString() << false;
    QTest::newRow("one sheet, none active") << "H" << -1 << "S0" << QString() << false;
}

void TestOrderImport::orderSheetChoice() {
    QFETCH(QString, kinds);
    QFETCH(int, active);
    QFETCH(QString, taken);
    QFETCH(QString, activeName);
    QFETCH(bool, noActive);
    TWorkbookSheets sheets;
    for (int i = 0; i < kinds.size(); ++i)
        sheets.Names << QStringLiteral("S%1").arg(i);
    sheets.Active = active;
    sheets.Read = [&](int AIndex) {
        TSheetValues v = TSheetValues::FromRows(
            {kinds.at(AIndex) == u'H' ? Header : QStringList{"Площадь", "Вес"}, {"1", "2"}});
        v.SetSheetName(sheets.Names.at(AIndex));
        return v;
    };
    const TOrderSheetChoice choice = TOrderWorkbook::Choose(sheets);
    QCOMPARE(choice.Values.SheetName(), taken);
    QCOMPARE(choice.ActiveName, activeName);
    QCOMPARE(choice.NoActive, noActive);
    QVERIFY(choice.Note().contains(QStringLiteral("«%1»").arg(taken)));
}

// LibreOffice converting without a window saves no active sheet; the order is on the
// second sheet, after a calculation sheet (tools/make_headless_ods.sh).
void TestOrderImport::sheetWithoutActiveTab() {
    const QString file = DataFile(QStringLiteral("calculation_first.ods"));
    const TOrderSheetChoice choice = TOrderWorkbook::Read(file);
    QCOMPARE(choice.Values.SheetName(), QStringLiteral("Заявка"));
    QVERIFY(choice.NoActive);
    QCOMPARE(choice.Note(),
             QStringLiteral("Заявка взята с листа «Заявка»: в книге не отмечен "
                            "активный лист, а на этом листе есть строка заголовков"));
    GRAVELON_CONNECT(db);
    TWindow w(*db.Data);
    TOrderImport import(*db.Data, w.Hooks());
    const TImportResult r = import.ImportOrderFile(file);
    QVERIFY2(w.Messages.isEmpty(), qPrintable(w.Messages.value(0).second));
    QCOMPARE(int(r.Outcome), int(TOutcome::Stored));
    QCOMPARE(Positions(*db.Data),
             (QStringList{"3000x1200 RAL 9003 6 ", "2500x1200 RAL 7024 15 угол срезан",
                          "1200x600 RAL 9003 4 "}));
}

void TestOrderImport::sheetAborts_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("cause");
    const QStringList good = {"RAL 9003", "1200", "600", "8", "5", ""};
    struct TCase {
        const char* Name;
        QList<QStringList> Rows;
        const char* Cause;
    };
    const QList<TCase> cases = {
        {"single cell", {{"Цвет"}}, "В строке заголовков нет столбцов: Длина"},
        {"header only", {Header}, "В заявке нет ни одной заполненной строки"},
        {"only blank rows",
         {Header, {"", " ", "", "", "", ""}},
         "В заявке нет ни одной заполненной строки"},
        {"header without the words",
         {{"a", "b", "c"}, {"RAL 9003", "1200", "600"}},
         "В строке заголовков нет столбцов: Цвет, Длина, Ширина, Толщина, Количество, "
         "Комментарий"},
        {"a header word missing",
         {{"Цвет", "Длина", "Ширина", "Толщина", "Количество"},
          {"RAL 9003", "1200", "600", "8", "5"}},
         "В строке заголовков нет столбцов: Комментарий"},
        {"thickness of no material",
         {Header,
          good,
          {"RAL 9003", "1200", "600", "9", "5", ""},
          good,
          {"RAL 9003", "1200", "600", "9", "5", ""}},
         "Толщина листа не совпадает ни с одним материалом: 9 мм (строки 3, 5)"},
    };
    for (const TCase& c : cases) {
        QTest::addRow("%s sqlite", c.Name)
            << TBackend::Sqlite << c.Rows << QString::fromUtf8(c.Cause);
        QTest::addRow("%s postgres", c.Name)
            << TBackend::Postgres << c.Rows << QString::fromUtf8(c.Cause);
    }
}

// Each of these ends with the abort message naming its cause, before the New-order
// dialog; nothing is stored and the program goes on.
void TestOrderImport::sheetAborts() {
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, cause);
    GRAVELON_CONNECT(db);
    TWindow w(*db.Data);
    const TImportResult r = TOrderImport(*db.Data, w.Hooks()).ReadOrderSheet(Sheet(rows));
    QCOMPARE(int(r.Outcome), int(TOutcome::Aborted));
    QCOMPARE(w.Messages.size(), 1);
    QCOMPARE(int(w.Messages.first().first), int(TMessageKind::Plain));
    QCOMPARE(w.Messages.first().second, TOrderImport::AbortText(r.Detail));
    QVERIFY2(w.Messages.first().second.startsWith(TOrderImport::AbortMessage + ".\r\n" + cause),
             qPrintable(w.Messages.first().second));
    QVERIFY(w.Reports.isEmpty());
    QCOMPARE(w.HeaderAsks, 0);
    QCOMPARE(w.Enables + w.Runs, 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 0);
}

void TestOrderImport::invalidRowsReport_data() {
    TestDb::AddBackendRows();
}

// Every bad row is reported with the sheet's row number and its causes, in a window
// and in the desktop file; nothing is stored, the previous order stays the working
// one, and the program goes on: the next import works.
void TestOrderImport::invalidRowsReport() {
    GRAVELON_CONNECT(db);
    const qlonglong previous =
        TestDb::AddOrder(*db.Data, QStringLiteral("прежняя"), QDate(2021, 5, 1), 1, 1000.0,
                         {{1200, 600, 1, 3, QString()}});
    QTemporaryDir temp;
    TWindow w(*db.Data);
    w.Desktop = temp.filePath(QStringLiteral("Рабочий стол")); // created when missing
    const QStringList good = {"RAL 9010", "1300", "700", "8", "2", ""};
    // A fractional length no longer hides the incomplete rows: all come at once.
    const TSheetValues v = Sheet({Header,
                                  {"", "", "", "", "", ""},
                                  {"RAL 9003", "1200", "600", "", "5", "угол"},
                                  {"RAL 9999", "600", "1200", "8", "", "мой"},
                                  good,
                                  {"RAL 9003", "12,5", "600", "8", "0", ""},
                                  {"RAL 9003", "1200", "шестьсот", "8", "5", ""},
                                  {"Синий", "1200", "600", "8", "5", ""}});
    const TImportResult r = TOrderImport(*db.Data, w.Hooks()).ReadOrderSheet(v);
    QCOMPARE(int(r.Outcome), int(TOutcome::InvalidRows));
    const QString max = QStringLiteral(" не целое число от 1 до 2147483647");
    const QStringList lines = {
        "Строка 3 | RAL 9003 | 1200 | 600 |  | 5 | угол | не заполнено поле Толщина",
        "Строка 4 | RAL 9999 | 600 | 1200 | 8 |  | мой | не заполнено поле Количество; цвета "
        "«RAL 9999» нет в справочнике цветов",
        "Строка 6 | RAL 9003 | 12,5 | 600 | 8 | 0 |  | Длина «12,5»" + max + "; Количество «0»" +
            max,
        "Строка 7 | RAL 9003 | 1200 | шестьсот | 8 | 5 |  | Ширина «шестьсот»" + max,
        "Строка 8 | Синий | 1200 | 600 | 8 | 5 |  | цвета «Синий» нет в справочнике цветов"};
    QCOMPARE(r.InvalidRowLines, lines);
    QVERIFY(w.Messages.isEmpty());
    QCOMPARE(w.Reports.size(), 1);
    QCOMPARE(w.Reports.first().first, TOrderImport::ReportCaption);
    QFile report(QDir(w.Desktop).filePath(QStringLiteral("Некорректные строки.txt")));
    QCOMPARE(r.ReportFile, report.fileName());
    QCOMPARE(w.Reports.first().second,
             TOrderImport::InvalidRowsHeading + lines.join(QStringLiteral("\r\n")) +
                 QStringLiteral("\r\n\r\nнекорректные строки сохранены в файле \"Некорректные "
                                "строки\" на рабочем столе (%1)")
                     .arg(QDir::toNativeSeparators(report.fileName())));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll(), (lines.join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
    QCOMPARE(w.HeaderAsks, 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 0);
    QCOMPARE(TestDb::LastId(*db.Data, QStringLiteral("Applicates")), previous);

    // Without a report window the report is an error box; the corrected sheet then
    // imports.
    TOrderImportHooks plain = w.Hooks();
    plain.ShowReport = nullptr;
    plain.DesktopFolder.clear();
    QCOMPARE(int(TOrderImport(*db.Data, plain).ReadOrderSheet(v).Outcome),
             int(TOutcome::InvalidRows));
    QCOMPARE(w.Messages.size(), 1);
    QCOMPARE(int(w.Messages.first().first), int(TMessageKind::Error));
    QCOMPARE(w.Messages.first().second, TOrderImport::InvalidRowsMessage(lines));
    QCOMPARE(int(TOrderImport(*db.Data, w.Hooks()).ReadOrderSheet(Sheet({Header, good})).Outcome),
             int(TOutcome::Stored));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 1);
}

void TestOrderImport::thicknessMatching_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("thickness");
    QTest::addColumn<bool>("known");
    for (auto [be, name] :
         {std::pair{TBackend::Sqlite, "sqlite"}, {TBackend::Postgres, "postgres"}}) {
        QTest::addRow("10 matches 10, %s", name) << be << "10" << true;
        QTest::addRow("10,5 matches 10.5, %s", name) << be << "10,5" << true;
        QTest::addRow("10.5 written with a point, %s", name) << be << "10.5" << false;
        QTest::addRow("10,0 is not 10, %s", name) << be << "10,0" << false;
        QTest::addRow("with a space, %s", name) << be << " 10" << false;
        QTest::addRow("11 matches nothing, %s", name) << be << "11" << false;
    }
}

void TestOrderImport::thicknessMatching() {
    QFETCH(QString, thickness);
    QFETCH(bool, known);
    GRAVELON_CONNECT(db);
    db.Data->ExecSql(QStringLiteral("insert into Materials (Name, Width, Weight1m2, MaxH) values "
                                    "('Плита', 10.5, 19, 50)"));
    TWindow w(*db.Data);
    const TImportResult r =
        TOrderImport(*db.Data, w.Hooks())
            .ReadOrderSheet(Sheet({Header,
                                   {"RAL 9003", "1200", "600", thickness, "5", ""},
                                   {"RAL 9003", "1200", "600", thickness, "5", ""}}));
    QCOMPARE(int(r.Outcome), int(known ? TOutcome::Stored : TOutcome::Aborted));
    QCOMPARE(w.HeaderAsks, known ? 1 : 0);
    // The header is asked for with the rows' thickness, which picks the material.
    QCOMPARE(w.SheetThickness, known ? thickness : QString());
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), known ? 2 : 0);
}

void TestOrderImport::mixedThicknesses_data() {
    TestDb::AddBackendRows();
}

// One order is one material: a workbook of 8 and 12 mm sheets is refused, naming the
// rows of each thickness; nothing changes.
void TestOrderImport::mixedThicknesses() {
    GRAVELON_CONNECT(db);
    TestDb::AddOrder(*db.Data, QStringLiteral("прежняя"), QDate(2021, 5, 1), 1, 1000.0,
                     {{1200, 600, 1, 3, QString()}});
    const QStringList before = TestDb::Dump(*db.Data, QStringLiteral("Applicates"));
    TWindow w(*db.Data);
    const TImportResult r =
        TOrderImport(*db.Data, w.Hooks())
            .ReadOrderSheet(Sheet({Header,
                                   {"RAL 9003", "1200", "600", "8", "5", ""},
                                   {"RAL 9003", "1200", "600", "8", "5", ""},
                                   {"RAL 9003", "1200", "600", "12", "5", ""},
                                   {"", "", "", "", "", ""},
                                   {"RAL 9003", "1200", "600", "8", "5", ""},
                                   {"RAL 9003", "1200", "600", "12", "5", ""}}));
    QCOMPARE(int(r.Outcome), int(TOutcome::Aborted));
    QCOMPARE(r.Detail, QStringLiteral("В заявке листы разной толщины: 8 мм (строки 2–3, 6), 12 мм "
                                      "(строки 4, 7); одна заявка — один материал, разделите "
                                      "заявку по толщине"));
    QCOMPARE(w.Messages.size(), 1);
    QCOMPARE(w.Messages.first().second, TOrderImport::AbortText(r.Detail));
    QCOMPARE(w.HeaderAsks, 0);
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("Applicates")), before);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 0);
}

void TestOrderImport::unknownColours_data() {
    TestDb::AddBackendRows();
}

void TestOrderImport::unknownColours() {
    GRAVELON_CONNECT(db);
    TWindow w(*db.Data);
    // Case and spaces do not count; unknown codes are listed once each, as written.
    const TImportResult ok =
        TOrderImport(*db.Data, w.Hooks())
            .ReadOrderSheet(Sheet({Header,
                                   {"ral 9003", "1200", "600", "8", "5", ""},
                                   {"RAL0505020", "1200", "600", "8", "5", ""},
                                   {" Ral 7016 ", "1200", "600", "8", "5", ""}}));
    QCOMPARE(int(ok.Outcome), int(TOutcome::Stored));
    QCOMPARE(Positions(*db.Data), (QStringList{"1200x600 RAL 9003 5 ", "1200x600 RAL 050 50 20 5 ",
                                               "1200x600 RAL 7016 5 "}));

    db.Data->Archivation();
    TWindow w2(*db.Data);
    const TImportResult bad = TOrderImport(*db.Data, w2.Hooks())
                                  .ReadOrderSheet(Sheet({Header,
                                                         {"RAL 9999", "1200", "600", "8", "5", ""},
                                                         {"RAL 9003", "1200", "600", "8", "5", ""},
                                                         {"ral 9999", "1300", "600", "8", "5", ""},
                                                         {"Синий", "1200", "600", "8", "5", ""},
                                                         {QString(1 << 20, QChar(0x0436)),
                                                          "1200", "600", "8", "5", ""}}));
    QCOMPARE(int(bad.Outcome), int(TOutcome::UnknownColours));
    QCOMPARE(bad.UnknownColours.mid(0, 2), (QStringList{"RAL 9999", "Синий"}));
    QCOMPARE(w2.Messages.size(), 1);
    // Each code with the sheet rows that name it (the header is the sheet's row 1); a
    // megabyte of a code by its first 100 characters.
    QVERIFY(w2.Messages.first().second.contains(
        QStringLiteral("цветов заявки:\r\nRAL 9999 (строки 2, 4)\r\nСиний (строка 5)\r\n") +
        QString(100, QChar(0x0436)) + QStringLiteral("… (строка 6)\r\nДобавьте")));
    QCOMPARE(w2.HeaderAsks, 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 0);
}

void TestOrderImport::manyRowsInThreeStatements_data() {
    TestDb::AddBackendRows();
}

void TestOrderImport::manyRowsInThreeStatements() {
    GRAVELON_CONNECT(db);
    QList<QStringList> rows = {Header};
    QStringList expected;
    for (int i = 0; i < 250; ++i) {
        rows.append({"RAL 9010", QString::number(1200 + i), "600", "8",
                     QString::number(i % 150 + 1), QStringLiteral("п%1 'кавычка'").arg(i)});
        expected << QStringLiteral("%1x600 RAL 9010 %2 п%3 'кавычка'")
                        .arg(1200 + i)
                        .arg(i % 150 + 1)
                        .arg(i);
    }
    TWindow w(*db.Data);
    const TImportResult r = TOrderImport(*db.Data, w.Hooks()).ReadOrderSheet(Sheet(rows));
    QCOMPARE(int(r.Outcome), int(TOutcome::Stored));
    QCOMPARE(r.Statements, 3);
    QCOMPARE(Positions(*db.Data), expected);

    QList<TOrderRow> parsed = TOrderSheet::ExtractRows(Sheet(rows), {1, 2, 3, 4, 5, 6});
    const QStringList statements = TOrderImport::PositionStatements(7, parsed);
    QCOMPARE(statements.size(), 3);
    QCOMPARE(statements.at(0).count(QLatin1Char('\n')), 100);
    QCOMPARE(statements.at(1).count(QLatin1Char('\n')), 100);
    QCOMPARE(statements.at(2).count(QLatin1Char('\n')), 50);
    QVERIFY(statements.at(2).endsWith(QStringLiteral("'п249 ''кавычка''');")));
    QVERIFY(statements.at(0).startsWith(
        QStringLiteral("insert into ApplicatePositions (ApplicateID,Width,Height,ColorID,"
                       "Quantity,Comment) values\n('7', '1200', '600', '0', '1', ")));
    QCOMPARE(TOrderImport::PositionStatements(7, parsed.mid(0, 1)).size(), 1);
}

void TestOrderImport::failedStoringRemovesHeader_data() {
    TestDb::AddBackendRows();
}

void TestOrderImport::failedStoringRemovesHeader() {
    GRAVELON_CONNECT(db);
    // A colour that goes away between the checks and the save (another workstation
    // removed it): the database refuses the positions that name it.
    db.Data->ExecSql(
        QStringLiteral("insert into Colors (Code, Name) values ('RAL 0001', 'уйдет')"));
    QList<QStringList> rows = {Header};
    for (int i = 0; i < 180; ++i)
        rows.append({i == 150 ? "RAL 0001" : "RAL 9010", "1200", "600", "8", "5", ""});
    TWindow w(*db.Data);
    w.BeforeStore = [&db] {
        db.Data->ExecSql(QStringLiteral("delete from Colors where Code = 'RAL 0001'"));
    };
    const TImportResult r = TOrderImport(*db.Data, w.Hooks()).ReadOrderSheet(Sheet(rows));
    QCOMPARE(int(r.Outcome), int(TOutcome::Aborted));
    QCOMPARE(w.HeaderAsks, 1);
    QCOMPARE(w.Messages.size(), 1);
    QVERIFY(r.Detail.startsWith(QStringLiteral("База данных не приняла строки заявки. ")));
    // The database's own words come after Russian sentences.
    QCOMPARE(w.Messages.first().second, TOrderImport::AbortText(r.Detail));
    // The first statement's 100 rows were stored before the second failed: the
    // transaction takes them back, and the header and its new customer go too.
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 0);
    QCOMPARE(w.Enables + w.Runs, 0);
    // The connection is usable afterwards: the next import stores its order.
    rows[151][0] = QStringLiteral("RAL 9010");
    TWindow w2(*db.Data);
    QCOMPARE(int(TOrderImport(*db.Data, w2.Hooks()).ReadOrderSheet(Sheet(rows)).Outcome),
             int(TOutcome::Stored));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 180);
}

void TestOrderImport::automaticCalculation_data() {
    TestDb::AddBackendRows();
}

void TestOrderImport::automaticCalculation() {
    GRAVELON_CONNECT(db);
    TWindow w(*db.Data);
    w.Auto = true;
    const TImportResult r =
        TOrderImport(*db.Data, w.Hooks())
            .ReadOrderSheet(Sheet({Header, {"RAL 9003", "1200", "600", "8", "5", ""}}));
    QCOMPARE(int(r.Outcome), int(TOutcome::Stored));
    QCOMPARE(w.Runs, 1);
    // The calculation is handed the stored order's key.
    QCOMPARE(w.CalculatedOrder, r.OrderID);
    QCOMPARE(w.Enables, 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 1);
}

QTEST_GUILESS_MAIN(TestOrderImport)
#include "tst_order_import.moc"
