// The "Новая заявка" command's steps without widgets (import with the archiving of the
// previous order, latest date, refresh condition) and gravelon-cli import, on both backends, with
// workbooks the test writes through libxlsxwriter.

#include "DataModule.h"
#include "Errors.h"
#include "NewOrderCommand.h"
#include "OrderHeaderStore.h"
#include "TestDatabase.h"
#include "XlsxFixture.h"

#include <QDir>
#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList Header = {"Цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий"};


struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

TRun Cli(const QString& AIni, const QStringList& AArgs) {
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/gravelon-cli"),
            QStringList{QStringLiteral("--settings"), AIni} + AArgs);
    TRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString DataFile(const QString& AName) {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
        .absoluteFilePath(QStringLiteral("tests/intake/data/") + AName);
}

QStringList HeaderArgs(const QString& AFile) {
    return {QStringLiteral("import"),       AFile,
            QStringLiteral("--number"),     QStringLiteral("CLI-1"),
            QStringLiteral("--customer"),   QStringLiteral("ООО Кровля"),
            QStringLiteral("--max-weight"), QStringLiteral("1300"),
            QStringLiteral("--material"),   QStringLiteral("2"),
            QStringLiteral("--date"),       QStringLiteral("2021-05-31"),
            QStringLiteral("--comment"),    QStringLiteral("из файла")};
}

} // namespace

class TestNewOrder : public QObject {
    Q_OBJECT
private slots:
    void command_data();
    void command();
    void failedImportKeepsPreviousOrder_data();
    void failedImportKeepsPreviousOrder();
    void cliImport_data();
    void cliImport();
    void cliRefusals_data();
    void cliRefusals();
};

void TestNewOrder::command_data() {
    TestDb::AddBackendRows();
}

void TestNewOrder::command() {
    GRAVELON_CONNECT(db);
    const qlonglong previous = TestDb::AddOrder(*db.Data, QStringLiteral("old"), QDate(2021, 5, 30),
                                                1, 1000.0, {{1200, 600, 1, 3, QString()}});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("заявка.xlsx"));
    // Used range away from A1, the order sheet active but not first.
    QVERIFY(XlsxFixture::Write(file,
                               {Header,
                                {"RAL 9003", "1200", "600", "8", "5", "а"},
                                {"RAL 7016", "900", "2000", "8", "7", "б"}},
                               3, 2));
    TNewOrderCommand command(*db.Data);
    TOrderImportHooks hooks;
    int enables = 0;
    hooks.AskOrderHeader = [&](TOrderHeader& AHeader, const TStoreOrder& AStore) {
        // Until the header is saved the previous order is the working one.
        if (TestDb::Count(*db.Data, QStringLiteral("Applicates")) != 1 ||
            TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")) != 0)
            return false;
        AHeader.Date = QDate(2021, 5, 31);
        AHeader.Number = QStringLiteral("новая");
        AHeader.CustomerName = QStringLiteral("ООО Тест");
        AHeader.MaxWeight = QStringLiteral("1000");
        AHeader.MaterialID = QStringLiteral("1");
        return AStore(AHeader);
    };
    hooks.EnableCalculation = [&] { ++enables; };
    const TImportResult r = command.Import(file, hooks);
    QCOMPARE(int(r.Outcome), int(TImportResult::TOutcome::Stored));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions_archive")), 1);
    QCOMPARE(enables, 1);
    QVERIFY(r.OrderID > previous);
    QCOMPARE(command.LatestOrderDate(), QDate(2021, 5, 31));

    // The list shows the new order's day: working and archived orders of that day.
    TestDb::AddOrder(*db.Data, QStringLiteral("same day"), QDate(2021, 5, 31), 1, 1000.0, {});
    db.Data->OpenOrders(command.RefreshFilter(command.LatestOrderDate()));
    QCOMPARE(db.Data->Orders()->RowCount(), 2);
    db.Data->OpenOrders(command.RefreshFilter(QDate(2021, 5, 30)));
    QCOMPARE(db.Data->Orders()->RowCount(), 1);
    QCOMPARE(db.Data->Orders()->Value(0, QStringLiteral("ID")).toLongLong(), previous);
}

void TestNewOrder::failedImportKeepsPreviousOrder_data() {
    TestDb::AddBackendRows();
}

void TestNewOrder::failedImportKeepsPreviousOrder() {
    GRAVELON_CONNECT(db);
    TestDb::AddOrder(*db.Data, QStringLiteral("old"), QDate(2021, 5, 30), 1, 1000.0,
                     {{1200, 600, 1, 3, QString()}});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("заявка.xlsx"));
    QVERIFY(XlsxFixture::Write(file, {Header, {"RAL 9003", "1200", "600", "9", "5", ""}}));
    TNewOrderCommand command(*db.Data);
    QStringList messages;
    int asks = 0;
    TOrderImportHooks hooks;
    hooks.ShowMessage = [&](TOrderImportHooks::TMessageKind, const QString& t) { messages << t; };
    hooks.AskOrderHeader = [&](TOrderHeader&, const TStoreOrder&) { return ++asks, false; };
    const TImportResult r = command.Import(file, hooks);
    QCOMPARE(int(r.Outcome), int(TImportResult::TOutcome::Aborted));
    QCOMPARE(messages, QStringList{TOrderImport::AbortText(r.Detail)});
    QVERIFY2(r.Detail.endsWith(QStringLiteral(": 9 мм (строка 2)")), qPrintable(r.Detail));
    QCOMPARE(asks, 0);
    // Nothing was archived: the previous order is still the working one.
    QCOMPARE(command.LatestOrderDate(), QDate(2021, 5, 30));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 0);
    // A workbook that cannot be read reaches the caller as the Russian error.
    QVERIFY_THROWS_EXCEPTION(EGravelonError,
                             command.Import(dir.filePath(QStringLiteral("нет.xlsx")), hooks));
}

void TestNewOrder::cliImport_data() {
    TestDb::AddBackendRows();
}

void TestNewOrder::cliImport() {
    GRAVELON_CONNECT(db);
    const qlonglong previous = TestDb::AddOrder(*db.Data, QStringLiteral("old"), QDate(2021, 5, 1),
                                                1, 1000.0, {{1200, 600, 1, 3, QString()}});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("заявка.xlsx"));
    QVERIFY(XlsxFixture::Write(file, {Header,
                                      {"RAL 9003", "1200", "600", "10", "5", ""},
                                      {"ral 1015", "600", "1800", "10", "12", "торец"}}));
    const TRun r = Cli(db.Db.IniPath, HeaderArgs(file));
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qlonglong key = r.Out.trimmed().toLongLong();
    QVERIFY(key > previous);
    QCOMPARE(TestDb::LastId(*db.Data, QStringLiteral("Applicates")), key);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 1);
    const QList<QSqlRecord> rows = db.Data->OpenSql(
        QStringLiteral("select a.Number, a.Date, a.MatID, a.MaxW, a.Comment, c.Name, c.NameSravn "
                       "from Applicates a inner join Customers c on c.ID = a.CustomerID"));
    QCOMPARE(rows.first().value(0).toString(), QStringLiteral("CLI-1"));
    QCOMPARE(rows.first().value(1).toString().left(10), QStringLiteral("2021-05-31"));
    QCOMPARE(rows.first().value(2).toInt(), 2);
    QCOMPARE(rows.first().value(3).toDouble(), 1300.0);
    QCOMPARE(rows.first().value(4).toString(), QStringLiteral("из файла"));
    QCOMPARE(rows.first().value(6).toString(), QStringLiteral("ооокровля"));
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("ApplicatePositions")).size(), 2);
    QCOMPARE(db.Data->OpenSql(QStringLiteral("select Comment from ApplicatePositions order by ID"))
                 .at(1)
                 .value(0)
                 .toString(),
             QStringLiteral("Лист повернут на 90"));

    // A second import finds the customer again and archives the first.
    const TRun again = Cli(db.Db.IniPath, HeaderArgs(file));
    QCOMPARE(again.Code, 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 2); // ООО Тест of the old order
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 2);
}

void TestNewOrder::cliRefusals_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QList<QStringList>>(
        "rows"); // {{"file"}, {NAME}}: a workbook of tests/intake/data
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    const QList<QStringList> good = {Header, {"RAL 9003", "1200", "600", "8", "5", ""}};
    struct TCase {
        const char* Name;
        QList<QStringList> Rows;
        QStringList Extra;
        int Code;
        const char* Err;
    };
    const QList<TCase> cases = {
        {"invalid rows",
         {Header, {"RAL 9003", "1200", "600", "", "5", "x"}},
         {},
         1,
         "Строка 2 | RAL 9003 | 1200 | 600 |  | 5 | x | не заполнено поле Толщина"},
        // The workbook's used range starts at B2: rows are named as the sheet numbers them.
        {"invalid rows workbook",
         {{"file"}, {"invalid_rows.xlsx"}},
         {},
         1,
         "некорректные данные, заявка не загружена, прежняя заявка осталась текущей.\n"
         "Исправьте строки и загрузите заявку снова:\n"
         "Строка 3 | RAL 9003 | 1200 | 600 |  | 5 | без толщины | не заполнено поле Толщина\n"
         "Строка 5 | RAL 7016 | 12,5 | 600 | 8 | 3 | дробная длина | Длина «12,5» не целое число "
         "от 1 до 2147483647\n"
         "Строка 6 | RAL 7016 | 1200 | 600 | 8 | 0 | ноль листов | Количество «0» не целое число "
         "от 1 до 2147483647\n"
         "Строка 7 | RAL 7016 | 2147483648 | 600 | 8 | 1 | длиннее целого | Длина «2147483648» не "
         "целое число от 1 до 2147483647\n"
         "Строка 8 | RAL 7016 | 1200 | -1 | 8 | 1,5 |  | Ширина «-1» не целое число от 1 до "
         "2147483647; Количество «1,5» не целое число от 1 до 2147483647\n"},
        {"mixed thicknesses workbook",
         {{"file"}, {"mixed_thickness.xlsx"}},
         {},
         1,
         "В заявке листы разной толщины: 8 мм (строки 2–3, 5), 12 мм (строка 4)"},
        {"unknown colour", {Header, {"RAL 1234", "1200", "600", "8", "5", ""}}, {}, 1, "RAL 1234"},
        {"fractional length",
         {Header, {"RAL 9003", "1200,5", "600", "8", "5", ""}},
         {},
         1,
         "Строка 2 | RAL 9003 | 1200,5 | 600 | 8 | 5 |  | Длина «1200,5» не целое число"},
        {"quantity not a number",
         {Header, {"RAL 9003", "1200", "600", "8", "пять", ""}},
         {},
         1,
         "Количество «пять» не целое число от 1 до 2147483647"},
        {"unknown thickness",
         {Header,
          {"RAL 9003", "1200", "600", "8", "5", ""},
          {"RAL 9003", "1200", "600", "9", "5", ""}},
         {},
         1,
         "Выполнение обработки заявки прервано, так как файл заявки содержит некорректные данные, "
         "пожалуйста проверьте заявку.\nТолщина листа не совпадает ни с одним материалом: 9 мм "
         "(строка 3)"},
        {"material of another thickness",
         good,
         {"--material", "3"},
         1,
         "Листы заявки толщиной 8 мм, а материал 3 толщиной 12 мм"},
        {"weight not a number", good, {"--max-weight", "тонна"}, 2, "«тонна» не является числом"},
        {"weight zero", good, {"--max-weight", "0"}, 2, "должен быть больше нуля"},
        {"material that does not exist",
         good,
         {"--material", "99"},
         1,
         "Выберите материал из справочника: материал 99 не найден в базе данных (есть: "},
        {"material not a key", good, {"--material", "плита"}, 2, "не является целым числом"},
        {"missing file", {}, {}, 1, "файл не найден"},
        {"bad date", good, {"--date", "31.05.2021"}, 2, "Неверная дата"},
    };
    for (const TCase& c : cases) {
        for (auto [be, name] :
             {std::pair{TBackend::Sqlite, "sqlite"}, {TBackend::Postgres, "postgres"}})
            QTest::addRow("%s %s", c.Name, name)
                << be << c.Rows << c.Extra << c.Code << QString::fromUtf8(c.Err);
    }
}

// Each refusal exits non-zero with its reason on standard error and stores nothing
// of the new order: no order, no position, no customer.
void TestNewOrder::cliRefusals() {
    QFETCH(QList<QStringList>, rows);
    QFETCH(QStringList, extra);
    QFETCH(int, code);
    QFETCH(QString, err);
    GRAVELON_CONNECT(db);
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("заявка.xlsx"));
    if (!rows.isEmpty() && rows.first() == QStringList{QStringLiteral("file")})
        file = DataFile(rows.at(1).first());
    else if (!rows.isEmpty())
        QVERIFY(XlsxFixture::Write(file, rows));
    QStringList args = HeaderArgs(file);
    args[args.indexOf(QStringLiteral("--material")) + 1] = QStringLiteral("1");
    for (int i = 0; i + 1 < extra.size(); i += 2)
        args[args.indexOf(extra.at(i)) + 1] = extra.at(i + 1);
    const TRun r = Cli(db.Db.IniPath, args);
    QCOMPARE(r.Code, code);
    QVERIFY2(r.Err.contains(err), qPrintable(r.Err));
    // The database's refusal of a link is for its own log, not for the operator.
    QVERIFY2(!r.Err.contains(QStringLiteral("constraint"), Qt::CaseInsensitive), qPrintable(r.Err));
    QVERIFY(r.Out.isEmpty());
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("ApplicatePositions")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 0);
}

QTEST_GUILESS_MAIN(TestNewOrder)
#include "tst_new_order.moc"
