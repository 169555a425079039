// Text that the user searches or sees in order reads alike on every database: the
// number search, pallet numbering and the lists of the New-order dialog, on SQLite,
// on a PostgreSQL database of the server's default collation and on PostgreSQL
// databases collated in Russian (ICU and the C library).
#include "Errors.h"
#include "OrderHeaderStore.h"
#include "ScratchPostgres.h"
#include "TestDatabase.h"

#include <QSqlRecord>
#include <QTest>

namespace {

// "": the server's default; otherwise how the database is created.
const QString IcuRussian =
    QStringLiteral("TEMPLATE template0 ENCODING 'UTF8' LOCALE_PROVIDER icu ICU_LOCALE 'ru-RU' "
                   "LOCALE 'C.UTF-8'");
const QString LibcRussian = QStringLiteral(
    "TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'ru_RU.UTF-8' LC_CTYPE 'ru_RU.UTF-8'");

void AddDatabaseRows() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("collation");
    QTest::newRow("sqlite") << TBackend::Sqlite << QString();
    QTest::newRow("postgres") << TBackend::Postgres << QString();
    QTest::newRow("postgres ru icu") << TBackend::Postgres << IcuRussian;
    QTest::newRow("postgres ru libc") << TBackend::Postgres << LibcRussian;
}

// A connected data module on the row's database; false with the reason.
bool ConnectRow(TestDb::TConnected* AOut, QString* AWhy, bool* AUnreachable) {
    QFETCH(TBackend, backend);
    QFETCH(QString, collation);
    *AUnreachable = false;
    if (collation.isEmpty()) {
        const bool ok = TestDb::Connect(backend, AOut, AWhy);
        *AUnreachable = !ok && TestDb::IsUnavailable(*AWhy);
        return ok;
    }
    const TScratchServer server = TScratchServer::FromEnv(QStringLiteral("GRAVELON_TEST_PG"));
    const QString name = QStringLiteral("gravelon_t_") +
                         QString::fromLocal8Bit(qgetenv("GRAVELON_TEST_PG_DBPREFIX")) +
                         (collation == IcuRussian ? QStringLiteral("text_rules_icu")
                                                  : QStringLiteral("text_rules_libc"));
    if (!server.Recreate(name, collation, AWhy, AUnreachable))
        return false;
    AOut->Db.Settings = server.Settings(name);
    AOut->Data = std::make_unique<TDataModule>();
    try {
        AOut->Data->Connect(AOut->Db.Settings, QString());
    } catch (const EGravelonError& e) {
        *AWhy = e.Message();
        return false;
    }
    return true;
}

#define CONNECT_ROW(var)                                                                           \
    TestDb::TConnected var;                                                                        \
    do {                                                                                           \
        QString why_;                                                                              \
        bool unreachable_ = false;                                                                 \
        if (!ConnectRow(&var, &why_, &unreachable_)) {                                             \
            if (unreachable_ && !TestDb::PostgresRequired())                                       \
                QSKIP(qPrintable(why_));                                                           \
            QFAIL(qPrintable(why_));                                                               \
        }                                                                                          \
    } while (0)

QStringList Found(TDataModule& AData, const QString& AText) {
    AData.OpenOrders(TOrderFilter::ByNumber(AText));
    QStringList numbers;
    for (int r = 0; r < AData.Orders()->RowCount(); ++r)
        numbers << AData.Orders()->Value(r, QStringLiteral("Number")).toString();
    numbers.sort();
    return numbers;
}

qlonglong AddColour(TDataModule& AData, const QString& ACode) {
    AData.ExecSql(QStringLiteral("insert into Colors (Code, Name) values (:c, :n)"),
                  {{QStringLiteral(":c"), ACode}, {QStringLiteral(":n"), ACode}});
    return TestDb::LastId(AData, QStringLiteral("Colors"));
}

} // namespace

class TTextRulesTest : public QObject {
    Q_OBJECT
private slots:
    // One database of each kind serves all three checks: making a database is what
    // takes the time here.
    void textRules_data() { AddDatabaseRows(); }
    void textRules();

private:
    void NumberSearch(TDataModule& AData);
    void PalletNumbering(TDataModule& AData);
    void DialogLists(TDataModule& AData);
};

void TTextRulesTest::textRules() {
    CONNECT_ROW(db);
    DialogLists(*db.Data);
    if (QTest::currentTestFailed())
        return;
    PalletNumbering(*db.Data);
    if (QTest::currentTestFailed())
        return;
    NumberSearch(*db.Data);
}

void TTextRulesTest::NumberSearch(TDataModule& d) {
    const QStringList numbers = {"12\\5", "125", "ZK-15", "zk-16", "Заявка-17", "ЗАЯВКА-18",
                                 "50%",   "5_0", "Д'1",   "ёж-2",  "Ёж-3"};
    for (const QString& n : numbers)
        TestDb::AddOrder(d, n, QDate(2021, 5, 31), 1, 500.0, {});
    // One of them in the archive: both halves of the list follow the rule.
    d.Archivation();
    TestDb::AddOrder(d, QStringLiteral("zK-19"), QDate(2021, 5, 31), 1, 500.0, {});

    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("2\\5"), {"12\\5"}},
        {QStringLiteral("\\"), {"12\\5"}},
        {QStringLiteral("zk"), {"ZK-15", "zK-19", "zk-16"}},
        {QStringLiteral("ZK-1"), {"ZK-15", "zK-19", "zk-16"}},
        {QStringLiteral("заявка"), {"ЗАЯВКА-18", "Заявка-17"}},
        {QStringLiteral("ЗАЯВКА-1"), {"ЗАЯВКА-18", "Заявка-17"}},
        {QStringLiteral("ёж"), {"Ёж-3", "ёж-2"}},
        {QStringLiteral("%"), {"50%"}},
        {QStringLiteral("_"), {"5_0"}},
        {QStringLiteral("5_"), {"5_0"}},
        {QStringLiteral("'"), {"Д'1"}},
        {QStringLiteral("д'"), {"Д'1"}},
        {QStringLiteral("' or 1=1 --"), {}},
        {QStringLiteral("нет"), {}},
    };
    for (const auto& c : cases)
        QCOMPARE(Found(d, c.first), c.second);
    // An empty text lists every order (with the one of the pallet check).
    QCOMPARE(Found(d, QString()).size(), numbers.size() + 2);
}

void TTextRulesTest::PalletNumbering(TDataModule& d) {
    // Collations put these four in three different orders; code-point order is
    // "RAL 7035" < "RAL 9003" < "RAL-1013" < "ral 1018".
    const qlonglong ral7035 = 5, ral9003 = 1;
    const qlonglong lower1018 = AddColour(d, QStringLiteral("ral 1018"));
    const qlonglong dash1013 = AddColour(d, QStringLiteral("RAL-1013"));
    const QList<qlonglong> colours = {lower1018, ral9003, dash1013, ral7035};
    QList<TestDb::TPos> rows;
    for (qlonglong c : colours)
        rows << TestDb::TPos{2000, 1000, c, 4, QString()};
    QList<qlonglong> pos;
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("Н-1"), QDate(2021, 5, 31), 1, 900.0, rows, &pos);
    for (int i = 0; i < colours.size(); ++i)
        TestDb::AddSolution(d, order, pos[i], TestDb::AddPallet(d, colours[i]), 1, 4);

    const QStringList expected = {"RAL 7035", "RAL 9003", "RAL-1013", "ral 1018"};
    auto check = [&](const TStaticQueryModel* AQuery) {
        QStringList codes;
        for (int r = 0; r < AQuery->RowCount(); ++r) {
            codes << AQuery->Value(r, QStringLiteral("clrcode")).toString();
            QCOMPARE(AQuery->Value(r, QStringLiteral("Number")).toLongLong(), r + 1);
        }
        QCOMPARE(codes, expected);
    };
    d.OpenPallets(order);
    check(d.Pallets());
    // The pallet reader of the workbook and the PDF lists them in the same order.
    QList<qlonglong> listed;
    for (int r = 0; r < d.Pallets()->RowCount(); ++r)
        listed << d.Pallets()->Value(r, QStringLiteral("id")).toLongLong();
    QCOMPARE(d.PalletIds(order), listed);
    // The same once the order is archived.
    d.Archivation();
    d.OpenPallets(order);
    check(d.Pallets());
}

void TTextRulesTest::DialogLists(TDataModule& d) {
    d.ExecSql(QStringLiteral("delete from Customers"));
    for (const char* name : {"б", "Ёлка", "А", "ель", "а", "Б", "Z", "a"})
        d.ExecSql(QStringLiteral("insert into Customers (Name, NameSravn) values (:n, :n)"),
                  {{QStringLiteral(":n"), QString::fromUtf8(name)}});
    QCOMPARE(TOrderHeaderStore(d).CustomerNames(),
             QStringList({"Z", "a", "Ёлка", "А", "Б", "а", "б", "ель"}));
}

QTEST_MAIN(TTextRulesTest)
#include "tst_text_rules.moc"
