#include "CalculationRefusal.h"
#include "CalculationRun.h"
#include "Errors.h"
#include "OrderGenerator.h"
#include "PalletDispatch.h"
#include "TestDatabase.h"

#include <QSqlRecord>
#include <QTest>
#include <cmath>

namespace {

// The columns as the grids see them, a column the model adds to the statement's included.
QStringList Columns(const TStaticQueryModel* AModel) {
    QStringList names;
    for (int i = 0; i < AModel->columnCount(); ++i)
        names << AModel->headerData(i, Qt::Horizontal).toString().toLower();
    return names;
}

QStringList Lower(const QStringList& ANames) {
    QStringList l;
    for (const QString& n : ANames)
        l << n.toLower();
    return l;
}

// The order of a test: three pallets whose display numbers follow colour code, then
// length, then width, whatever order they were created in.
struct TOrder {
    qlonglong Id = 0;
    QList<qlonglong> Positions;
    qlonglong PalletA = 0; // RAL 7035 (ID 5), 2000 x 1000 -> number 3
    qlonglong PalletB = 0; // RAL 1015 (ID 3), 2500 x 1200 -> number 2
    qlonglong PalletC = 0; // RAL 1015 (ID 3), 1800 x 1200 -> number 1
};

// With AArchived the order is moved to the archive tables at once.
TOrder MakeOrder(TDataModule& AData, const QString& ANumber, const QDate& ADate,
                 bool AArchived = false) {
    TOrder o;
    o.Id = TestDb::AddOrder(AData, ANumber, ADate, 2, 1000.5,
                            {{2000, 500, 5, 5, QStringLiteral("первая")},
                             {2500, 1200, 3, 3, {}},
                             {1800, 350, 3, 10, {}},
                             {1800, 1200, 3, 2, {}}},
                            &o.Positions, QStringLiteral("ООО «Д'Артаньян»"));
    o.PalletA = TestDb::AddPallet(AData, 5);
    o.PalletB = TestDb::AddPallet(AData, 3);
    o.PalletC = TestDb::AddPallet(AData, 3);
    AData.ExecSql(QStringLiteral("update Palletes set Length = 2000, Width = 1000 where ID = %1")
                      .arg(o.PalletA));
    AData.ExecSql(QStringLiteral("update Palletes set Length = 2500, Width = 1200 where ID = %1")
                      .arg(o.PalletB));
    AData.ExecSql(QStringLiteral("update Palletes set Length = 1800, Width = 1200 where ID = %1")
                      .arg(o.PalletC));
    TestDb::AddSolution(AData, o.Id, o.Positions[0], o.PalletA, 2, 5,
                        QStringLiteral("Повернуть на 90 град."));
    TestDb::AddSolution(AData, o.Id, o.Positions[1], o.PalletB, 1, 3);
    TestDb::AddSolution(AData, o.Id, o.Positions[2], o.PalletC, 3, 10);
    TestDb::AddSolution(AData, o.Id, o.Positions[3], o.PalletC, 1, 2);
    if (AArchived)
        AData.Archivation();
    return o;
}

} // namespace

class TNamedQueriesTest : public QObject {
    Q_OBJECT
private slots:
    void orderList_data();
    void orderList();
    void orderListFindsNothing_data() { TestDb::AddBackendRows(); }
    void orderListFindsNothing();
    void positions_data();
    void positions();
    void positionsOrdered_data() { TestDb::AddBackendRows(); }
    void positionsOrdered();
    void positionsOfStoredParts_data() { TestDb::AddBackendRows(); }
    void positionsOfStoredParts();
    void pallets_data();
    void pallets();
    void palletFill_data();
    void palletFill();
    void palletFillCalculated();
    void contents_data();
    void contents();
    void colors_data() { TestDb::AddBackendRows(); }
    void colors();
    void badKeyRefused_data() { TestDb::AddBackendRows(); }
    void badKeyRefused();
};

namespace {
void AddArchivedRows() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("archived");
    QTest::newRow("sqlite, working") << TBackend::Sqlite << false;
    QTest::newRow("sqlite, archived") << TBackend::Sqlite << true;
    QTest::newRow("postgres, working") << TBackend::Postgres << false;
    QTest::newRow("postgres, archived") << TBackend::Postgres << true;
}
} // namespace

void TNamedQueriesTest::orderList_data() {
    AddArchivedRows();
}

void TNamedQueriesTest::orderList() {
    QFETCH(bool, archived);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const TOrder o = MakeOrder(d, QStringLiteral("Д'1-2021"), QDate(2021, 5, 31), archived);
    // Another order on another day must not be listed by the day's search.
    TestDb::AddOrder(d, QStringLiteral("2"), QDate(2021, 6, 1), 1, 500.0, {});

    d.OpenOrders(TOrderFilter::ByDate(QDate(2021, 5, 31)));
    const TStaticQueryModel* q = d.Orders();
    QVERIFY(q->IsOpen());
    QCOMPARE(Columns(q), Lower({"ID", "Number", "Date", "CustomerID", "MatID", "Comment", "MaxW",
                                "oldid", "Name", "Name_1", "MaxH", "Weight1m2", "Width"}));
    QCOMPARE(q->RowCount(), 1);
    QCOMPARE(q->Value(0, QStringLiteral("ID")).toLongLong(), o.Id);
    QCOMPARE(q->Value(0, QStringLiteral("Number")).toString(), QStringLiteral("Д'1-2021"));
    QCOMPARE(q->Value(0, QStringLiteral("Date")).toDate(), QDate(2021, 5, 31));
    QVERIFY(q->Value(0, QStringLiteral("oldid")).isNull());
    QCOMPARE(q->Value(0, QStringLiteral("Name")).toString(), QStringLiteral("ООО «Д'Артаньян»"));
    QCOMPARE(q->Value(0, QStringLiteral("Name_1")).toString(),
             QStringLiteral("Фиброцементная плита"));
    QCOMPARE(q->Value(0, QStringLiteral("MaxH")).toLongLong(), 50);
    QCOMPARE(q->Value(0, QStringLiteral("Weight1m2")).toDouble(), 18.0);
    QCOMPARE(q->Value(0, QStringLiteral("Width")).toDouble(), 10.0);
    QCOMPARE(q->Value(0, QStringLiteral("MaxW")).toDouble(), 1000.5);

    // The number search takes the text as it is: the apostrophe is searched for itself,
    // and the text is bound, never written into the statement.
    d.OpenOrders(TOrderFilter::ByNumber(QStringLiteral("'1-")));
    QCOMPARE(q->RowCount(), 1);
    QCOMPARE(q->Value(0, QStringLiteral("ID")).toLongLong(), o.Id);
    QVERIFY2(!q->Sql().contains(QStringLiteral("'1-")), qPrintable(q->Sql()));
    d.OpenOrders(TOrderFilter::ByNumber(QString()));
    QCOMPARE(q->RowCount(), 2);
    // Text holding NUL is refused before the list is touched.
    QVERIFY_THROWS_EXCEPTION(EGravelonError,
                             d.OpenOrders(TOrderFilter::ByNumber(QStringLiteral("1") + QChar(0))));
    QCOMPARE(q->RowCount(), 2);
    d.OpenOrders(TOrderFilter::ById(o.Id));
    QCOMPARE(q->RowCount(), 1);
}

void TNamedQueriesTest::orderListFindsNothing() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("1"), QDate::currentDate().addDays(-1), 1, 500.0, {});
    d.OpenOrders(TOrderFilter::Today());
    QVERIFY(d.Orders()->IsOpen());
    QCOMPARE(d.Orders()->RowCount(), 0);
    const qlonglong today =
        TestDb::AddOrder(d, QStringLiteral("2"), QDate::currentDate(), 1, 500.0, {});
    d.OpenOrders(TOrderFilter::Today());
    QCOMPARE(d.Orders()->RowCount(), 1);
    QCOMPARE(d.Orders()->Value(0, QStringLiteral("ID")).toLongLong(), today);
    // A statement the database refuses (its archive table gone) leaves the list closed.
    d.ExecSql(QStringLiteral("alter table Applicates_archive rename to Applicates_gone"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, d.OpenOrders(TOrderFilter::Today()));
    QVERIFY(!d.Orders()->IsOpen());
    QCOMPARE(d.Orders()->RowCount(), 0);
}

void TNamedQueriesTest::positions_data() {
    AddArchivedRows();
}

void TNamedQueriesTest::positions() {
    QFETCH(bool, archived);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const TOrder o = MakeOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), archived);
    d.OpenPositions(QString::number(o.Id)); // the key travels as decimal text too
    const TStaticQueryModel* q = d.Positions();
    QCOMPARE(Columns(q), Lower({"ID", "ApplicateID", "Width", "Height", "ColorID", "Quantity",
                                "Comment", "oldid", "ColorCode", "Color", "Ordered"}));
    QCOMPARE(q->RowCount(), 4);
    const qlonglong quantities[] = {5, 3, 10, 2};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(q->Value(i, QStringLiteral("ID")).toLongLong(), o.Positions[i]);
        QVERIFY(q->Value(i, QStringLiteral("oldid")).isNull());
        // Nothing split: what was ordered is what the position holds.
        QCOMPARE(q->Value(i, QStringLiteral("Ordered")).toLongLong(), quantities[i]);
    }
    QCOMPARE(q->Value(0, QStringLiteral("ColorCode")).toString(), QStringLiteral("RAL 7035"));
    QCOMPARE(q->Value(0, QStringLiteral("Color")).toString(), QStringLiteral("Светло-серый"));
    QCOMPARE(q->Value(0, QStringLiteral("Comment")).toString(), QStringLiteral("первая"));
    d.OpenPositions(QString()); // an empty key is NULL: nothing matches
    QCOMPARE(q->RowCount(), 0);
}

namespace {

// The positions grid of an order, a row "ID|Quantity|Ordered|Comment" each.
QStringList ShownPositions(TDataModule& AData, qlonglong AOrder) {
    AData.OpenPositions(AOrder);
    const TStaticQueryModel* q = AData.Positions();
    QStringList rows;
    for (int i = 0; i < q->RowCount(); ++i) {
        const QVariant ordered = q->Value(i, QStringLiteral("Ordered"));
        rows << QStringLiteral("%1|%2|%3|%4")
                    .arg(q->Value(i, QStringLiteral("ID")).toLongLong())
                    .arg(q->Value(i, QStringLiteral("Quantity")).toLongLong())
                    .arg(ordered.isNull() ? QStringLiteral("-") : ordered.toString(),
                         q->Value(i, QStringLiteral("Comment")).toString());
    }
    return rows;
}

} // namespace

// A calculated order whose positions were divided still shows what the customer ordered:
// each position with its parts right under it, and the sheets of all of them beside the
// position. A customer's comment that merely ends like a remark is a position of its own.
void TNamedQueriesTest::positionsOrdered() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // Stage 1 divides the 70 sheets (60 at most a stack) and the heavy pallets are split
    // again.
    QList<qlonglong> ids;
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("Р-77"), QDate(2024, 1, 1), 1, 3000.0,
                         {{3000, 1000, 1, 50, {}},
                          {2000, 1000, 1, 20, {}},
                          {1500, 1000, 1, 15, {}},
                          {1000, 1000, 2, 70, QStringLiteral("цоколь")}},
                         &ids);
    // One names the first position but is of another size; one has its size and colour
    // but words of its own.
    for (const QString& values : {QStringLiteral("1000, 1000, 2, 4, 'цоколь (часть позиции %1)'"),
                                  QStringLiteral("3000, 1000, 1, 3, 'угол (часть позиции %1)'")}) {
        d.ExecSql(QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, Height, "
                                 "ColorID, Quantity, Comment) values (%1, %2)")
                      .arg(order)
                      .arg(values.arg(ids[0])));
    }
    QStringList expected; // "ID|Ordered" of each position in key order
    QHash<qlonglong, qlonglong> quantity;
    for (const QSqlRecord& r : d.OpenSql(QStringLiteral("select ID, Quantity from "
                                                        "ApplicatePositions order by ID"))) {
        expected << r.value(0).toString() + QLatin1Char('|') + r.value(1).toString();
        quantity.insert(r.value(0).toLongLong(), r.value(1).toLongLong());
    }
    QCOMPARE(expected.size(), 6);
    TCalculationRun(d.Connection(), TCalculationMode::Memory).Execute();
    const QStringList calculated = ShownPositions(d, order);
    QVERIFY2(calculated.size() > expected.size(), qPrintable(calculated.join(QLatin1Char('\n'))));
    for (const bool archived : {false, true}) {
        if (archived)
            d.Archivation();
        const QStringList shown = ShownPositions(d, order);
        QCOMPARE(shown, calculated);
        QStringList positions;
        QList<qlonglong> group; // the keys of the current position and its parts so far
        qlonglong sheets = 0, orderedThere = 0;
        const auto closeGroup = [&] {
            if (!group.isEmpty())
                QCOMPARE(sheets, orderedThere);
        };
        for (const QString& row : shown) {
            const QStringList f = row.split(QLatin1Char('|'));
            const qlonglong id = f[0].toLongLong();
            if (f[2] != QLatin1String("-")) {
                closeGroup();
                QVERIFY2(quantity.contains(id), qPrintable(row));
                positions << f[0] + QLatin1Char('|') + f[2];
                group = {id};
                sheets = f[1].toLongLong();
                orderedThere = f[2].toLongLong();
                continue;
            }
            // A part, listed after the earlier rows of its position, names one of them.
            QVERIFY2(!group.isEmpty() && id > group.last(), qPrintable(row));
            const qlonglong named =
                f[3].section(QStringLiteral("(часть позиции "), -1).chopped(1).toLongLong();
            QVERIFY2(group.contains(named), qPrintable(shown.join(QLatin1Char('\n'))));
            group << id;
            sheets += f[1].toLongLong();
        }
        closeGroup();
        QCOMPARE(positions, expected);
    }
}

// Parts as a calculation stores them, parts of parts among them, and comments that end
// like a remark without being one: the keys name which is which.
void TNamedQueriesTest::positionsOfStoredParts() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> ids;
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("1"), QDate(2024, 1, 1), 1, 3000.0,
                         {{2000, 1000, 1, 15, QStringLiteral(" цоколь ")},
                          {1500, 1000, 1, 7, {}},
                          {2000, 1000, 1, 60, QStringLiteral("цоколь (часть позиции {0})")},
                          {2000, 1000, 1, 6, QStringLiteral("цоколь (часть позиции {2})")},
                          {2000, 1000, 2, 5, QStringLiteral("цоколь (часть позиции {0})")},
                          {1500, 1000, 1, 3, QStringLiteral("(часть позиции {1})  ")},
                          {1500, 1000, 1, 2, QStringLiteral("(часть позиции {5})")}},
                         &ids);
    // The remarks name keys only the database knows: they are written once the rows are.
    for (const QSqlRecord& r :
         d.OpenSql(QStringLiteral("select ID, Comment from ApplicatePositions"))) {
        QString comment = r.value(1).toString();
        for (int i = 0; i < ids.size(); ++i)
            comment.replace(QStringLiteral("{%1}").arg(i), QString::number(ids[i]));
        d.ExecSql(QStringLiteral("update ApplicatePositions set Comment = :c where ID = :id"),
                  {{QStringLiteral(":c"), comment}, {QStringLiteral(":id"), r.value(0)}});
    }
    // Rows: 0 a position, 2 its part and 3 a part of that; 4 of another colour, so not a
    // part; 1 a position, 5 its part (blanks after the remark) and 6 a part of 5.
    const auto row = [&ids](int AIndex, qlonglong AQuantity, const QString& AOrdered) {
        return QStringLiteral("%1|%2|%3").arg(ids[AIndex]).arg(AQuantity).arg(AOrdered);
    };
    const QStringList expected = {row(0, 15, QStringLiteral("81")), row(2, 60, QStringLiteral("-")),
                                  row(3, 6, QStringLiteral("-")),   row(1, 7, QStringLiteral("12")),
                                  row(5, 3, QStringLiteral("-")),   row(6, 2, QStringLiteral("-")),
                                  row(4, 5, QStringLiteral("5"))};
    for (const bool archived : {false, true}) {
        if (archived)
            d.Archivation();
        QStringList shown;
        for (const QString& r : ShownPositions(d, order))
            shown << r.section(QLatin1Char('|'), 0, 2);
        QCOMPARE(shown, expected);
    }
}

void TNamedQueriesTest::pallets_data() {
    AddArchivedRows();
}

void TNamedQueriesTest::pallets() {
    QFETCH(bool, archived);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const TOrder o = MakeOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), archived);
    // A second order's pallets must not appear.
    if (archived)
        MakeOrder(d, QStringLiteral("2"), QDate(2021, 6, 1));
    d.OpenPallets(o.Id);
    const TStaticQueryModel* q = d.Pallets();
    QCOMPARE(Columns(q), Lower({"id", "Length", "Width", "Number", "clrname", "clrcode", "W", "h",
                                "wfill", "hfill", "loaded", "pinned"}));
    QCOMPARE(q->RowCount(), 3);
    const qlonglong expected[] = {o.PalletC, o.PalletB, o.PalletA};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(q->Value(i, QStringLiteral("id")).toLongLong(), expected[i]);
        QCOMPARE(q->Value(i, QStringLiteral("Number")).toLongLong(), i + 1);
    }
    QCOMPARE(q->Value(2, QStringLiteral("clrcode")).toString(), QStringLiteral("RAL 7035"));
    // 2000 x 500 x 5 sheets at 18 kg/m2 = 90 kg; 5 sheets 2 abreast stand 3 high.
    QCOMPARE(q->Value(2, QStringLiteral("W")).toDouble(), 90.0);
    QCOMPARE(q->Value(2, QStringLiteral("h")).toLongLong(), 3);
    // 1800 x 350 x 10 (3 abreast: 4 rows) + 1800 x 1200 x 2 (2 rows).
    QCOMPARE(q->Value(0, QStringLiteral("h")).toLongLong(), 6);
    QCOMPARE(q->Value(0, QStringLiteral("W")).toDouble(), 191.16);

    const QList<qlonglong> ids = d.PalletIds(o.Id);
    QCOMPARE(ids.size(), q->RowCount());
    for (int i = 0; i < q->RowCount(); ++i)
        QCOMPARE(ids[i], q->Value(i, QStringLiteral("id")).toLongLong());

    // A loaded pallet shows when, to the minute; the others nothing.
    QVERIFY(q->Value(1, QStringLiteral("loaded")).isNull());
    QCOMPARE(TPalletDispatch(d).Scan(PalletCode::Of(o.PalletB)).Outcome, TScanOutcome::Loaded);
    d.OpenPallets(o.Id);
    const QString at = TPalletDispatch(d).Status(o.Id).Pallets[1].LoadedAt;
    QCOMPARE(at.size(), 19);
    QCOMPARE(d.Pallets()->Value(1, QStringLiteral("loaded")).toString(), at.left(16));
    QVERIFY(d.Pallets()->Value(0, QStringLiteral("loaded")).isNull());
}

void TNamedQueriesTest::palletFill_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("archived");
    QTest::addColumn<QVariant>("maxW");
    QTest::addColumn<QVariant>("maxH");
    // Pallets 1, 2, 3: 191.16, 162 and 90 kg; 6, 3 and 3 rows.
    QTest::addColumn<QVariantList>("weight");
    QTest::addColumn<QVariantList>("height");
    const QVariant none;
    const QVariantList empty = {none, none, none};
    struct TLimits {
        const char* Name;
        QVariant MaxW, MaxH;
        QVariantList Weight, Height;
    };
    const TLimits limits[] = {
        {"the order's limits", 1000.5, 50, {19.1, 16.2, 9.0}, {12.0, 6.0, 6.0}},
        // 0.15 % lies a hair below in binary and 3.75 % on the half exactly: both go up.
        {"half a tenth", 60000.0, 80, {0.3, 0.3, 0.2}, {7.5, 3.8, 3.8}},
        {"no limits", none, none, empty, empty},
        {"limits of 0", 0.0, 0, empty, empty},
    };
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}})
        for (const bool archived : {false, true})
            for (const TLimits& l : limits)
                QTest::newRow(qPrintable(
                    QStringLiteral("%1, %2, %3")
                        .arg(QLatin1String(name),
                             archived ? QStringLiteral("archived") : QStringLiteral("working"),
                             QLatin1String(l.Name))))
                    << backend << archived << l.MaxW << l.MaxH << l.Weight << l.Height;
}

void TNamedQueriesTest::palletFill() {
    QFETCH(bool, archived);
    QFETCH(QVariant, maxW);
    QFETCH(QVariant, maxH);
    QFETCH(QVariantList, weight);
    QFETCH(QVariantList, height);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const TOrder o = MakeOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), archived);
    d.ExecSql(
        QStringLiteral("update %1 set MaxW = :w where ID = :id")
            .arg(archived ? QStringLiteral("Applicates_archive") : QStringLiteral("Applicates")),
        {{QStringLiteral(":w"), maxW.isValid() ? maxW : QVariant(QMetaType::fromType<double>())},
         {QStringLiteral(":id"), o.Id}});
    d.ExecSql(QStringLiteral("update Materials set MaxH = :h where ID = 2"),
              {{QStringLiteral(":h"),
                maxH.isValid() ? maxH : QVariant(QMetaType::fromType<qlonglong>())}});
    d.OpenPallets(o.Id);
    const TStaticQueryModel* q = d.Pallets();
    QCOMPARE(q->RowCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const QVariant w = q->Value(i, QStringLiteral("wfill"));
        const QVariant h = q->Value(i, QStringLiteral("hfill"));
        QCOMPARE(w.isNull(), !weight[i].isValid());
        QCOMPARE(h.isNull(), !height[i].isValid());
        if (weight[i].isValid())
            QCOMPARE(w.toDouble(), weight[i].toDouble());
        if (height[i].isValid())
            QCOMPARE(h.toDouble(), height[i].toDouble());
    }
}

namespace {

// The per cent, rounded half up to a tenth, of a weight to the hundredth or a number
// of rows against a limit; none without a limit. Worked out on its own from the figure's
// hundredths, in extended precision: 738.8 kg of 800 is 92.35 %, shown as 92.4 %,
// though the binary 738.8 lies a hair below.
QVariant Share(const QVariant& AValue, const QVariant& ALimit) {
    if (ALimit.isNull() || ALimit.toDouble() == 0)
        return {};
    const long double tenths = 10.0L * std::llround(AValue.toDouble() * 100) / ALimit.toDouble();
    return double(std::round(tenths)) / 10;
}

QString Text(const QVariant& AValue) {
    return AValue.isNull() ? QStringLiteral("NULL") : QString::number(AValue.toDouble(), 'g', 17);
}

// The pallets of the order as the grid lists them, one line each; AWrong receives the
// pallets whose shares are not their weight and rows against the order's limits.
QStringList Shares(TDataModule& AData, qlonglong AOrder, bool AArchived, QStringList* AWrong) {
    const QString table =
        AArchived ? QStringLiteral("Applicates_archive") : QStringLiteral("Applicates");
    const QSqlRecord limits =
        AData
            .OpenSql(QStringLiteral("select a.MaxW, m.MaxH from %1 a inner join Materials m "
                                    "on m.ID = a.MatID where a.ID = :id")
                         .arg(table),
                     {{QStringLiteral(":id"), AOrder}})
            .value(0);
    AData.OpenPallets(AOrder);
    const TStaticQueryModel* q = AData.Pallets();
    QStringList lines;
    for (int r = 0; r < q->RowCount(); ++r) {
        const QVariant w = q->Value(r, QStringLiteral("W"));
        const QVariant h = q->Value(r, QStringLiteral("h"));
        const QVariant wfill = q->Value(r, QStringLiteral("wfill"));
        const QVariant hfill = q->Value(r, QStringLiteral("hfill"));
        if (Text(wfill) != Text(Share(w, limits.value(0))) ||
            Text(hfill) != Text(Share(h, limits.value(1))))
            *AWrong << QStringLiteral("order %1: W %2 of %3 shown as %4, h %5 of %6 as %7")
                           .arg(QString::number(AOrder), Text(w), Text(limits.value(0)),
                                Text(wfill), Text(h), Text(limits.value(1)), Text(hfill));
        lines << QStringList({q->Value(r, QStringLiteral("id")).toString(),
                              q->Value(r, QStringLiteral("Number")).toString(), Text(w), Text(h),
                              Text(wfill), Text(hfill)})
                     .join(QLatin1Char('|'));
    }
    return lines;
}

} // namespace

// Calculated orders of every kind of limit (none, 0, below a sheet, the usual ones) on
// both databases: each shows every pallet's shares as its own figures give them, and
// the two show the same figures for the same order, working and archived.
void TNamedQueriesTest::palletFillCalculated() {
    GRAVELON_CONNECT_TO(lite, TBackend::Sqlite);
    GRAVELON_CONNECT_TO(server, TBackend::Postgres);
    TDataModule* const data[] = {lite.Data.get(), server.Data.get()};
    int compared = 0, withoutLimit = 0;
    for (quint32 seed = 1; compared < 30 && seed < 500; ++seed) {
        const OrderGenerator::TCase c = seed % 4 == 0
                                            ? OrderGenerator::Workshop(seed, 30 + int(seed % 50))
                                            : OrderGenerator::Mixed(seed);
        if (c.Orders.size() != 1)
            continue;
        QStringList shown[2][2];
        int refused = 0;
        for (int b = 0; b < 2; ++b) {
            TDataModule& d = *data[b];
            for (const char* t : {"Solutions_archive", "Palletes_archive",
                                  "ApplicatePositions_archive", "Applicates_archive"})
                d.ExecSql(QStringLiteral("delete from ") + QLatin1String(t));
            OrderGenerator::Store(d.Connection(), d.Dialect(), c);
            try {
                TCalculationRun(d.Connection(), TCalculationMode::Memory).Execute();
            } catch (const ECalculationRefused&) {
                ++refused;
                continue;
            }
            const qlonglong order = d.OpenSql(QStringLiteral("select ID from Applicates"))
                                        .value(0)
                                        .value(0)
                                        .toLongLong();
            QStringList wrong;
            shown[b][0] = Shares(d, order, false, &wrong);
            d.Archivation();
            shown[b][1] = Shares(d, order, true, &wrong);
            QVERIFY2(wrong.isEmpty(),
                     qPrintable(QStringLiteral("seed %1, %2:\n").arg(seed).arg(d.Dialect().Name()) +
                                wrong.join(QLatin1Char('\n'))));
        }
        QVERIFY2(refused != 1, qPrintable(QStringLiteral("seed %1").arg(seed)));
        if (refused == 2)
            continue;
        QVERIFY(!shown[0][0].isEmpty());
        QCOMPARE(shown[0][1], shown[0][0]);
        QCOMPARE(shown[1][0], shown[0][0]);
        QCOMPARE(shown[1][1], shown[0][0]);
        ++compared;
        if (shown[0][0].first().contains(QStringLiteral("|NULL")))
            ++withoutLimit;
    }
    QCOMPARE(compared, 30);
    // Some of them had a limit the shares could not be taken against.
    QVERIFY(withoutLimit > 0);
}

void TNamedQueriesTest::contents_data() {
    AddArchivedRows();
}

void TNamedQueriesTest::contents() {
    QFETCH(bool, archived);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const TOrder o = MakeOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), archived);
    d.OpenPalletContents(o.Id, o.PalletA);
    const TStaticQueryModel* q = d.PalletContents();
    QCOMPARE(Columns(q).mid(0, 9),
             Lower({"L", "B", "Height", "Comment", "Quantity", "QtyInRow", "s", "hgt", "wgt"}));
    QCOMPARE(q->RowCount(), 1);
    QCOMPARE(q->Value(0, QStringLiteral("L")).toLongLong(), 2000);
    QCOMPARE(q->Value(0, QStringLiteral("B")).toLongLong(), 1000);
    QCOMPARE(q->Value(0, QStringLiteral("Height")).toLongLong(), 500);
    QCOMPARE(q->Value(0, QStringLiteral("comment")).toString(),
             QStringLiteral("Повернуть на 90 град."));
    QCOMPARE(q->Value(0, QStringLiteral("QtyInRow")).toLongLong(), 2);
    QCOMPARE(q->Value(0, QStringLiteral("s")).toDouble(), 5.0);
    QCOMPARE(q->Value(0, QStringLiteral("hgt")).toLongLong(), 3); // 5 sheets, 2 abreast
    QCOMPARE(q->Value(0, QStringLiteral("wgt")).toLongLong(), 90);

    // Two rows of one length, listed from the bottom of the stack: the wider row first;
    // weight truncated, area to one decimal: 1800 x 1200 x 2 = 4.32 m2 = 77.76 kg;
    // 1800 x 350 x 10 = 6.3 m2 = 113.4 kg.
    d.OpenPalletContents(o.Id, o.PalletC);
    QCOMPARE(q->RowCount(), 2);
    QCOMPARE(q->Value(0, QStringLiteral("B")).toLongLong(), 1200);
    QCOMPARE(q->Value(0, QStringLiteral("s")).toDouble(), 4.3);
    QCOMPARE(q->Value(0, QStringLiteral("wgt")).toLongLong(), 77);
    QCOMPARE(q->Value(1, QStringLiteral("B")).toLongLong(), 1050);
    QCOMPARE(q->Value(1, QStringLiteral("hgt")).toLongLong(), 4);
    QCOMPARE(q->Value(1, QStringLiteral("wgt")).toLongLong(), 113);
    QCOMPARE(q->Value(1, QStringLiteral("s")).toDouble(), 6.3);

    // A pallet of another order, or another order's key, shows nothing.
    d.OpenPalletContents(o.Id + 1000, o.PalletA);
    QCOMPARE(q->RowCount(), 0);
    QVERIFY(q->IsOpen());
}

void TNamedQueriesTest::colors() {
    GRAVELON_CONNECT(db);
    db.Data->ExecSql(QStringLiteral("insert into Colors (Code, Name) values (%1, %2)")
                         .arg(TSqlDialect::QuotedStr(QStringLiteral("RAL 9005")),
                              TSqlDialect::QuotedStr(QStringLiteral("Чёрный 'янтарь'"))));
    db.Data->OpenColours();
    const TStaticQueryModel* q = db.Data->Colours();
    QCOMPARE(q->RowCount(), 13);
    QCOMPARE(Columns(q), Lower({"Code", "name"}));
    QCOMPARE(q->Value(0, QStringLiteral("Code")).toString(), QStringLiteral("RAL 9003"));
    QCOMPARE(q->Value(12, QStringLiteral("name")).toString(), QStringLiteral("Чёрный 'янтарь'"));
}

void TNamedQueriesTest::badKeyRefused() {
    GRAVELON_CONNECT(db);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                             db.Data->OpenPositions(QStringLiteral("1; drop table Colors")));
    db.Data->OpenColours();
    QCOMPARE(db.Data->Colours()->RowCount(), 12);
}

QTEST_GUILESS_MAIN(TNamedQueriesTest)
#include "tst_namedqueries.moc"
