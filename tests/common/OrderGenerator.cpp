#include "OrderGenerator.h"

#include "SheetsPerRow.h"
#include "SqlRun.h"

#include <QMap>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace OrderGenerator {

namespace {

// The reference materials' weights of a square metre and stack limits.
const double ReferenceWeight[] = {14.4, 18, 21.6, 15.2};
const qint64 ReferenceRows[] = {60, 50, 40, 50};

// Sheet widths on both sides of every change in the sheets a row stand abreast.
const qint64 BorderHeights[] = {1, 100, 299, 300, 301, 399, 400, 401, 749, 750, 751, 1500};

// Customers' words: quotes, braces, a backslash, some looking like the remark a split
// adds (once or twice).
const char* const Comments[] = {"",
                                "   ",
                                "срочно",
                                "с фаской 'А'",
                                "  кромка \"Б\", {1,2} \\ NULL  ",
                                "по шаблону (часть позиции 12)",
                                "(часть позиции 3)",
                                "образец (часть позиции 1) (часть позиции 2)",
                                "(часть позиции 7)(часть позиции 8) "};

const char* const MaterialName = "Образец расчета";
const char* const CustomerName = "ООО Образец";

const char* const WorkingTables[] = {"Applicates", "ApplicatePositions", "Palletes", "Solutions"};

// Rows of one multi-row insert: 7 values a row stays below SQLite's 999 bound values.
const int InsertRows = 120;

double SheetWeight(qint64 AWidth, qint64 AHeight, double AWeight1m2) {
    // As the calculation weighs a position of one sheet.
    return static_cast<double>(AWidth * AHeight) * AWeight1m2 * 1e-6;
}

qint64 Height(QRandomGenerator& ARandom) {
    if (ARandom.bounded(100) < 55)
        return BorderHeights[ARandom.bounded(int(std::size(BorderHeights)))];
    return 190 + 5 * ARandom.bounded(263);
}

qint64 Width(QRandomGenerator& ARandom) {
    // Now and then a sheet shorter than its row is wide: it is packed turned.
    if (ARandom.bounded(100) < 15)
        return 150 + 10 * ARandom.bounded(106);
    return 1200 + 10 * ARandom.bounded(241);
}

qint64 Quantity(QRandomGenerator& ARandom, bool AAllowLarge) {
    const int k = ARandom.bounded(100);
    if (k < 25)
        return 1;
    if (k < 60)
        return 2 + ARandom.bounded(4);
    if (k < 88 || !AAllowLarge)
        return 7 + 2 * ARandom.bounded(13); // odd, 7..31
    return 40 + ARandom.bounded(260);
}

QString Comment(QRandomGenerator& ARandom) {
    if (ARandom.bounded(100) >= 20)
        return QString();
    return QString::fromUtf8(Comments[ARandom.bounded(int(std::size(Comments)))]);
}

std::vector<qint64> Colours(QRandomGenerator& ARandom, int ACount) {
    std::vector<qint64> all;
    for (qint64 c = 1; c <= 12; ++c)
        all.push_back(c);
    for (int i = 11; i > 0; --i)
        std::swap(all[i], all[ARandom.bounded(i + 1)]);
    all.resize(std::clamp(ACount, 1, 12));
    return all;
}

void AddPositions(QRandomGenerator& ARandom, TOrder& AOrder, int ACount,
                  const std::vector<qint64>& AColours, bool AAllowLarge) {
    for (int i = 0; i < ACount; ++i) {
        TPosition p;
        p.Width = Width(ARandom);
        p.Height = Height(ARandom);
        p.ColorId = AColours[ARandom.bounded(int(AColours.size()))];
        p.Quantity = Quantity(ARandom, AAllowLarge);
        // A row of no sheets now and then: it takes a place a row and no height.
        if (ARandom.bounded(100) < 2)
            p.Quantity = 0;
        p.Comment = Comment(ARandom);
        AOrder.Positions.push_back(p);
    }
}

const std::optional<double>& WeightOf(const TCase& ACase, const TOrder& AOrder) {
    return AOrder.Material == 1 ? ACase.SecondWeight1m2 : ACase.Weight1m2;
}

double HeaviestSheet(const TCase& ACase, const TOrder& AOrder) {
    double heaviest = 0;
    const std::optional<double>& weight = WeightOf(ACase, AOrder);
    if (!weight)
        return 0;
    for (const TPosition& p : AOrder.Positions)
        heaviest = std::max(heaviest, SheetWeight(p.Width, p.Height, *weight));
    return heaviest;
}

double HeaviestSheet(const TCase& ACase) {
    double heaviest = 0;
    for (const TOrder& o : ACase.Orders)
        heaviest = std::max(heaviest, HeaviestSheet(ACase, o));
    return heaviest;
}

// Pallets the case needs at the least, roughly: per colour its weight over the limit and
// its rows over the stack limit.
qint64 Estimate(const TCase& ACase) {
    QMap<qint64, QPair<double, qint64>> byColour;
    double limit = 0;
    for (const TOrder& o : ACase.Orders) {
        limit = std::max(limit, o.MaxW.value_or(0));
        for (const TPosition& p : o.Positions) {
            auto& c = byColour[p.ColorId];
            if (const std::optional<double>& weight = WeightOf(ACase, o))
                c.first += SheetWeight(p.Width, p.Height, *weight) * p.Quantity;
            const qint64 perRow = SheetsPerRowRule(p.Height, p.Quantity);
            c.second += (p.Quantity + perRow - 1) / perRow;
        }
    }
    const qint64 rows = std::max<qint64>(1, ACase.MaxH.value_or(1));
    qint64 total = 0;
    for (const auto& c : byColour) {
        const double byWeight = limit > 0 ? std::ceil(c.first / limit) : 1;
        total += std::max<qint64>({1, static_cast<qint64>(byWeight), (c.second + rows - 1) / rows});
    }
    return total;
}

// Halves the largest stacks until the case needs no more than about APallets pallets:
// the reference calculation's merging asks the database a few times per pallet pair.
void Bound(TCase& ACase, qint64 APallets) {
    while (Estimate(ACase) > APallets) {
        TPosition* largest = nullptr;
        for (TOrder& o : ACase.Orders)
            for (TPosition& p : o.Positions)
                if (!largest || p.Quantity > largest->Quantity)
                    largest = &p;
        if (!largest || largest->Quantity <= 1)
            return;
        largest->Quantity = (largest->Quantity + 1) / 2;
    }
}

// A weight limit that lets every sheet on (a lighter limit is refused before the run).
void KeepSheetsCarried(TCase& ACase) {
    for (TOrder& o : ACase.Orders) {
        const double heaviest = HeaviestSheet(ACase, o);
        if (o.MaxW && *o.MaxW < heaviest)
            o.MaxW = std::ceil(heaviest);
    }
}

// Now and then a position twice, for the walks' ties between equal rows.
void Duplicate(QRandomGenerator& ARandom, TOrder& AOrder) {
    if (!AOrder.Positions.empty() && ARandom.bounded(100) < 20)
        AOrder.Positions.push_back(AOrder.Positions[ARandom.bounded(int(AOrder.Positions.size()))]);
}

void Material(QRandomGenerator& ARandom, TCase& ACase) {
    const int m = ARandom.bounded(4);
    // Mostly a reference material, sometimes a weight no reference material has.
    ACase.Weight1m2 =
        ARandom.bounded(100) < 80 ? ReferenceWeight[m] : 10 + ARandom.bounded(1500) / 100.0;
    ACase.MaxH = ReferenceRows[m];
}

void KeyState(QRandomGenerator& ARandom, TCase& ACase) {
    const int k = ARandom.bounded(100);
    for (qint64& last : ACase.LastKeys) {
        if (k < 15)
            last = 0; // a new database
        else if (k < 20)
            last = (qint64(1) << 31) - 10 + ARandom.bounded(20); // past 32 bits
        else
            last = ARandom.bounded(1000000);
    }
}

} // namespace

int TCase::PositionCount() const {
    int n = 0;
    for (const TOrder& o : Orders)
        n += static_cast<int>(o.Positions.size());
    return n;
}

TCase Mixed(quint32 ASeed) {
    QRandomGenerator random(ASeed);
    TCase c;
    c.Seed = ASeed;
    Material(random, c);
    KeyState(random, c);
    TOrder order;
    order.Number = QStringLiteral("D-%1").arg(ASeed);
    const int family = random.bounded(100);
    if (family < 35) {
        c.Kind = QStringLiteral("plain");
        if (random.bounded(100) < 40)
            c.MaxH = 5 + random.bounded(80);
        order.MaxW = 300 + 50 * random.bounded(35);
        AddPositions(random, order, 1 + random.bounded(8), Colours(random, 1 + random.bounded(4)),
                     true);
        Duplicate(random, order);
        // A pass limit the stages reach before they are done.
        if (random.bounded(100) < 6)
            c.PassLimit = 1 + random.bounded(3);
        c.Orders.push_back(order);
        KeepSheetsCarried(c);
        Bound(c, 8);
    } else if (family < 50) {
        c.Kind = QStringLiteral("rows");
        c.MaxH = 1 + random.bounded(6);
        order.MaxW = 1000 + 100 * random.bounded(20);
        const std::vector<qint64> colours = Colours(random, 1 + random.bounded(3));
        for (int i = 0, n = 1 + random.bounded(7); i < n; ++i) {
            TPosition p;
            p.Width = Width(random);
            p.Height = BorderHeights[random.bounded(int(std::size(BorderHeights)))];
            p.ColorId = colours[random.bounded(int(colours.size()))];
            p.Quantity = 1 + random.bounded(9);
            p.Comment = Comment(random);
            order.Positions.push_back(p);
        }
        Duplicate(random, order);
        c.Orders.push_back(order);
        KeepSheetsCarried(c);
        Bound(c, 10);
    } else if (family < 65) {
        c.Kind = QStringLiteral("weight");
        AddPositions(random, order, 1 + random.bounded(5), Colours(random, 1 + random.bounded(2)),
                     false);
        for (TPosition& p : order.Positions)
            p.Quantity = 1 + random.bounded(12);
        c.Orders.push_back(order);
        // A limit of a few sheets of one position, to the kilogram as the engine weighs
        // them, or a hair above or below it.
        const TPosition& p = c.Orders[0].Positions[random.bounded(int(order.Positions.size()))];
        const qint64 sheets = 1 + random.bounded(4);
        double limit = static_cast<double>(p.Width * p.Height * sheets) * *c.Weight1m2 * 1e-6;
        const int nudge = random.bounded(3);
        if (nudge == 1)
            limit = std::nextafter(limit, 1e300);
        else if (nudge == 2)
            limit = std::nextafter(limit, 0.0);
        c.Orders[0].MaxW = limit;
        KeepSheetsCarried(c);
        Bound(c, 8);
    } else if (family < 75) {
        c.Kind = QStringLiteral("colours");
        order.MaxW = 800 + 100 * random.bounded(15);
        const std::vector<qint64> colours = Colours(random, 8 + random.bounded(5));
        AddPositions(random, order, 8 + random.bounded(17), colours, false);
        for (TPosition& p : order.Positions)
            p.Quantity = 1 + random.bounded(4);
        c.Orders.push_back(order);
        KeepSheetsCarried(c);
        Bound(c, 16);
    } else if (family < 83) {
        // No stack limit: every row is one too many, the stages end at their pass limit.
        c.Kind = QStringLiteral("pass limit");
        c.MaxH = random.bounded(2) == 0 ? std::optional<qint64>() : std::optional<qint64>(0);
        order.MaxW = 500 + 100 * random.bounded(20);
        AddPositions(random, order, 1 + random.bounded(3), Colours(random, 1 + random.bounded(2)),
                     false);
        for (TPosition& p : order.Positions)
            p.Quantity = 1 + random.bounded(4);
        c.PassLimit = 1 + random.bounded(5);
        c.Orders.push_back(order);
        KeepSheetsCarried(c);
    } else if (family < 91) {
        c.Kind = QStringLiteral("refused");
        AddPositions(random, order, 1 + random.bounded(14), Colours(random, 1 + random.bounded(3)),
                     false);
        const int why = random.bounded(5);
        if (why == 0)
            order.MaxW.reset();
        else if (why == 1)
            order.MaxW = 0;
        else if (why == 2)
            order.MaxW = -(1 + random.bounded(500));
        c.Orders.push_back(order);
        if (why == 3 || why == 4) {
            // A limit below the heaviest sheet, or a second order without a limit.
            c.Orders[0].MaxW = std::max(1.0, std::floor(HeaviestSheet(c) * 0.9));
            if (why == 4) {
                KeepSheetsCarried(c);
                TOrder second;
                second.Number = QStringLiteral("D-%1-2").arg(ASeed);
                AddPositions(random, second, 1 + random.bounded(3), Colours(random, 1), false);
                c.Orders.push_back(second);
            }
        }
    } else if (family < 96) {
        // Two orders at once, of one material or of two (with one weight of a square metre
        // and two stack limits, or with two weights, which only the literal engine takes),
        // now and then with a third order of no positions.
        c.Kind = QStringLiteral("two orders");
        order.MaxW = 400 + 50 * random.bounded(30);
        const std::vector<qint64> colours = Colours(random, 1 + random.bounded(4));
        AddPositions(random, order, 1 + random.bounded(5), colours, false);
        TOrder second;
        second.Number = random.bounded(2) ? QStringLiteral("D-%1-2").arg(ASeed) : QString();
        second.MaxW = 400 + 50 * random.bounded(30);
        AddPositions(random, second, 1 + random.bounded(5), colours, false);
        const int materials = random.bounded(4);
        if (materials > 0) {
            second.Material = 1;
            c.SecondWeight1m2 = materials == 3 ? ReferenceWeight[random.bounded(4)] : c.Weight1m2;
            c.SecondMaxH = 1 + random.bounded(60);
        }
        c.Orders.push_back(order);
        c.Orders.push_back(second);
        if (random.bounded(100) < 25) {
            TOrder empty;
            empty.Number = QStringLiteral("D-%1-3").arg(ASeed);
            c.Orders.push_back(empty);
        }
        KeepSheetsCarried(c);
        Bound(c, 10);
    } else if (family < 99) {
        // A material without a weight: nothing is ever too heavy, the rows decide.
        c.Kind = QStringLiteral("weightless");
        if (random.bounded(4) == 0)
            c.Weight1m2 = 0;
        else
            c.Weight1m2.reset();
        c.MaxH = 2 + random.bounded(30);
        order.MaxW = 1 + random.bounded(2000);
        AddPositions(random, order, 1 + random.bounded(8), Colours(random, 1 + random.bounded(4)),
                     true);
        c.Orders.push_back(order);
        Bound(c, 12);
    } else {
        c.Kind = QStringLiteral("larger");
        order.MaxW = 800 + 50 * random.bounded(25);
        AddPositions(random, order, 30 + random.bounded(50), Colours(random, 2 + random.bounded(6)),
                     true);
        c.Orders.push_back(order);
        KeepSheetsCarried(c);
        Bound(c, 24);
    }
    return c;
}

TCase Workshop(quint32 ASeed, int APositions) {
    QRandomGenerator random(ASeed);
    TCase c;
    c.Seed = ASeed;
    c.Kind = QStringLiteral("workshop");
    const int m = random.bounded(4);
    c.Weight1m2 = ReferenceWeight[m];
    c.MaxH = ReferenceRows[m];
    TOrder order;
    order.Number = QStringLiteral("B-%1").arg(ASeed);
    order.MaxW = 800 + 50 * random.bounded(15);
    const std::vector<qint64> colours = Colours(random, 3 + random.bounded(4));
    for (int i = 0; i < APositions; ++i) {
        const int kind = random.bounded(100);
        TPosition p;
        p.Quantity = kind < 80   ? 1 + random.bounded(6)
                     : kind < 96 ? 7 + random.bounded(34)
                                 : 41 + random.bounded(160);
        p.Width = 1200 + 10 * random.bounded(241);
        p.Height = 190 + 5 * random.bounded(263);
        p.ColorId = colours[random.bounded(int(colours.size()))];
        order.Positions.push_back(p);
    }
    c.Orders.push_back(order);
    return c;
}

TCase SinglePosition(qint64 ASheets) {
    TCase c;
    c.Kind = QStringLiteral("single position");
    c.Weight1m2 = ReferenceWeight[0];
    c.MaxH = ReferenceRows[0];
    TOrder order;
    order.Number = QStringLiteral("S-%1").arg(ASheets);
    order.MaxW = 1000;
    order.Positions.push_back({3000, 1200, 1, ASheets, QString()});
    c.Orders.push_back(order);
    return c;
}

namespace {

QVariant Nullable(const std::optional<double>& AValue) {
    return AValue ? QVariant(*AValue) : QVariant(QMetaType::fromType<double>());
}

QVariant Nullable(const std::optional<qint64>& AValue) {
    return AValue ? QVariant(qlonglong(*AValue)) : QVariant(QMetaType::fromType<qlonglong>());
}

QVariant Nullable(const QString& AText) {
    return AText.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(AText);
}

void SetLastKey(const QSqlDatabase& ADb, const TSqlDialect& ADialect, const QString& ATable,
                qint64 ALast) {
    if (ADialect.IsPostgres()) {
        // A sequence that handed out nothing yet starts at 1 and is not "called".
        SqlRun::Exec(ADb,
                     QStringLiteral("select setval(pg_get_serial_sequence('%1', 'id'), :v, :c)")
                         .arg(ATable.toLower()),
                     {{QStringLiteral(":v"), qlonglong(std::max<qint64>(1, ALast))},
                      {QStringLiteral(":c"), ALast > 0}});
        return;
    }
    // SQLite keeps no entry for a table that never had a row.
    SqlRun::Exec(ADb, QStringLiteral("delete from sqlite_sequence where name = :n"),
                 {{QStringLiteral(":n"), ATable}});
    if (ALast > 0)
        SqlRun::Exec(ADb, QStringLiteral("insert into sqlite_sequence (name, seq) values (:n, :v)"),
                     {{QStringLiteral(":n"), ATable}, {QStringLiteral(":v"), qlonglong(ALast)}});
}

qlonglong KeyOf(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    return SqlRun::Value(ADb, ASql, ABinds).toLongLong();
}

} // namespace

void Store(const QSqlDatabase& AConnection, const TSqlDialect& ADialect, const TCase& ACase) {
    TTransaction transaction(AConnection, ADialect);
    for (const char* t : {"Solutions", "Palletes", "ApplicatePositions", "Applicates"})
        SqlRun::Exec(AConnection, QStringLiteral("delete from ") + QLatin1String(t));
    for (int i = 0; i < 4; ++i)
        SetLastKey(AConnection, ADialect, QLatin1String(WorkingTables[i]), ACase.LastKeys[i]);

    qlonglong materialIds[2] = {0, 0};
    for (int m = 0; m < 2; ++m) {
        const QVariantMap material = {
            {QStringLiteral(":n"), QString::fromUtf8(MaterialName) + QStringLiteral(" %1").arg(m)}};
        qlonglong& id = materialIds[m];
        id = KeyOf(AConnection, QStringLiteral("select min(ID) from Materials where Name = :n"),
                   material);
        if (id == 0) {
            SqlRun::Exec(AConnection,
                         QStringLiteral("insert into Materials (Name, Width) values (:n, 8)"),
                         material);
            id = KeyOf(AConnection, QStringLiteral("select min(ID) from Materials where Name = :n"),
                       material);
        }
        SqlRun::Exec(
            AConnection,
            QStringLiteral("update Materials set Weight1m2 = :w, MaxH = :h where ID = :id"),
            {{QStringLiteral(":w"), Nullable(m == 0 ? ACase.Weight1m2 : ACase.SecondWeight1m2)},
             {QStringLiteral(":h"), Nullable(m == 0 ? ACase.MaxH : ACase.SecondMaxH)},
             {QStringLiteral(":id"), id}});
    }

    const QVariantMap customer = {{QStringLiteral(":n"), QString::fromUtf8(CustomerName)}};
    qlonglong customerId = KeyOf(
        AConnection, QStringLiteral("select min(ID) from Customers where Name = :n"), customer);
    if (customerId == 0) {
        SqlRun::Exec(AConnection,
                     QStringLiteral("insert into Customers (Name, NameSravn) values (:n, :n)"),
                     customer);
        customerId = KeyOf(
            AConnection, QStringLiteral("select min(ID) from Customers where Name = :n"), customer);
    }

    for (const TOrder& o : ACase.Orders) {
        SqlRun::Exec(AConnection,
                     QStringLiteral("insert into Applicates (Number, Date, CustomerID, MatID, "
                                    "Comment, MaxW) values (:n, '2024-03-01', :c, :m, '', :w)"),
                     {{QStringLiteral(":n"), o.Number},
                      {QStringLiteral(":c"), customerId},
                      {QStringLiteral(":m"), materialIds[o.Material == 1 ? 1 : 0]},
                      {QStringLiteral(":w"), Nullable(o.MaxW)}});
        const qlonglong orderId =
            KeyOf(AConnection, QStringLiteral("select max(ID) from Applicates"), {});
        // Several rows a statement, in the order of the list: the keys follow it.
        for (size_t start = 0; start < o.Positions.size(); start += InsertRows) {
            const size_t end = std::min(o.Positions.size(), start + InsertRows);
            QString sql = QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, "
                                         "Height, ColorID, Quantity, Comment) values ");
            for (size_t i = start; i < end; ++i)
                sql +=
                    (i > start ? QStringLiteral(",") : QString()) + QStringLiteral("(?,?,?,?,?,?)");
            QSqlQuery q(AConnection);
            if (!q.prepare(sql))
                SqlRun::ThrowFailure(AConnection, q.lastError(), sql);
            int bind = 0;
            for (size_t i = start; i < end; ++i) {
                const TPosition& p = o.Positions[i];
                q.bindValue(bind++, orderId);
                q.bindValue(bind++, qlonglong(p.Width));
                q.bindValue(bind++, qlonglong(p.Height));
                q.bindValue(bind++, qlonglong(p.ColorId));
                q.bindValue(bind++, qlonglong(p.Quantity));
                q.bindValue(bind++, Nullable(p.Comment));
            }
            if (!q.exec())
                SqlRun::ThrowFailure(AConnection, q.lastError(), sql);
        }
    }
    transaction.Commit();
}

} // namespace OrderGenerator
