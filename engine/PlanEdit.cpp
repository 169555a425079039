#include "PlanEdit.h"

#include "DataModule.h"
#include "Errors.h"
#include "OrderWriter.h"
#include "PartRemark.h"
#include "PlanOrigin.h"
#include "RussianNumbers.h"
#include "SheetsPerRow.h"
#include "SqlRun.h"
#include "WorkingOrder.h"

#include <QHash>
#include <QSet>
#include <QSqlRecord>
#include <QStringList>

namespace {

const QString Turned = QStringLiteral("Повернуть на 90 град.");

// A pallet's row: the placement and the position row it places.
struct TRow {
    qint64 Solution = 0;
    qint64 Position = 0;
    qint64 Quantity = 0;
    qint64 Width = 0;
    qint64 Height = 0;
    qint64 ColorId = 0;
    QString Comment;
};

QList<TRow> Rows(const QSqlDatabase& ADb, qint64 APallet) {
    QList<TRow> rows;
    for (const QSqlRecord& r : SqlRun::Open(
             ADb,
             QStringLiteral("select s.ID, s.PosID, s.Quantity, ap.Width, ap.Height, ap.ColorID, "
                            "ap.Comment from Solutions s inner join ApplicatePositions ap on "
                            "ap.ID = s.PosID where s.PalleteID = :p order by s.ID"),
             {{QStringLiteral(":p"), APallet}}))
        rows.append({r.value(0).toLongLong(), r.value(1).toLongLong(), r.value(2).toLongLong(),
                     r.value(3).toLongLong(), r.value(4).toLongLong(), r.value(5).toLongLong(),
                     r.value(6).toString()});
    return rows;
}

// The customer's position each row of the order stands for: itself, or the position a
// calculation or an earlier move split it off (0: of every order in the working tables).
QHash<qint64, qint64> Roots(const QSqlDatabase& ADb, qint64 AOrder) {
    QList<PartRemark::TStoredRow> rows;
    for (const QSqlRecord& r :
         SqlRun::Open(ADb,
                      QStringLiteral("select ID, Width, Height, ColorID, Comment from "
                                     "ApplicatePositions where ApplicateID = :o or :a = 0 "
                                     "order by ID"),
                      {{QStringLiteral(":o"), AOrder}, {QStringLiteral(":a"), AOrder}}))
        rows.append({r.value(0).toLongLong(), r.value(1).toLongLong(), r.value(2).toLongLong(),
                     r.value(3).toLongLong(), r.value(4).toString()});
    const QList<int> sources = PartRemark::Sources(rows);
    QHash<qint64, qint64> roots;
    for (int i = 0; i < rows.size(); ++i) {
        int at = i;
        while (sources.at(at) >= 0)
            at = sources.at(at);
        roots.insert(rows.at(i).Id, rows.at(at).Id);
    }
    return roots;
}

// A calculation names in a part's remark the row it split, which may itself be a part.
// When that row has gone, joined into another, the part names its customer's position
// (ARoots, read before) instead, so that every part still leads to it.
void Reroot(const QSqlDatabase& ADb, const QHash<qint64, qint64>& ARoots) {
    QSet<qint64> present;
    QList<QPair<qint64, QString>> parts;
    for (const QSqlRecord& r :
         SqlRun::Open(ADb, QStringLiteral("select ID, Comment from ApplicatePositions"))) {
        present.insert(r.value(0).toLongLong());
        if (PartRemark::SplitOff(r.value(1).toString()) > 0)
            parts.append({r.value(0).toLongLong(), r.value(1).toString()});
    }
    for (const auto& [id, comment] : parts) {
        const qint64 root = ARoots.value(id);
        if (present.contains(PartRemark::SplitOff(comment)) || root == 0 || root == id ||
            !present.contains(root))
            continue;
        SqlRun::Exec(ADb, QStringLiteral("update ApplicatePositions set Comment = :c where ID = :id"),
                     {{QStringLiteral(":c"), PartRemark::SplitRemark(comment, root)},
                      {QStringLiteral(":id"), id}});
    }
}

void SetQuantity(const QSqlDatabase& ADb, const TRow& ARow, qint64 AQuantity) {
    // The row's sheets a row of the stack holds, and whether the row is turned, follow
    // its quantity as the calculation sets them.
    const qint64 perRow = SheetsPerRowRule(ARow.Height, AQuantity);
    SqlRun::Exec(ADb, QStringLiteral("update ApplicatePositions set Quantity = :q where ID = :id"),
                 {{QStringLiteral(":q"), AQuantity}, {QStringLiteral(":id"), ARow.Position}});
    SqlRun::Exec(ADb,
                 QStringLiteral("update Solutions set Quantity = :q, QuantityInRow = :r, "
                                "Comment = :c where ID = :id"),
                 {{QStringLiteral(":q"), AQuantity},
                  {QStringLiteral(":r"), perRow},
                  {QStringLiteral(":c"), ARow.Width < ARow.Height * perRow ? QVariant(Turned)
                                                                           : QVariant()},
                  {QStringLiteral(":id"), ARow.Solution}});
}

void Drop(const QSqlDatabase& ADb, const TRow& ARow) {
    SqlRun::Exec(ADb, QStringLiteral("delete from Solutions where ID = :id"),
                 {{QStringLiteral(":id"), ARow.Solution}});
    SqlRun::Exec(ADb, QStringLiteral("delete from ApplicatePositions where ID = :id"),
                 {{QStringLiteral(":id"), ARow.Position}});
}

QString PalletName(const QHash<qint64, int>& ANumbers, qint64 APallet) {
    const int number = ANumbers.value(APallet);
    return number > 0 ? QStringLiteral("Поддон %1").arg(number) : QStringLiteral("Новый поддон");
}

using TColumn = TOrderWriter::TColumn;
using TColumns = TOrderWriter::TColumns;

// The tables of a plan, their columns as a snapshot keeps them, and which rows are the
// order's.
struct TPlanTable {
    QString Name;
    TColumns Columns;
    QString Rows;
};

const QList<TPlanTable>& PlanTables() {
    static const QList<TPlanTable> tables = {
        {QStringLiteral("ApplicatePositions"), TOrderWriter::PositionColumns(),
         QStringLiteral("ApplicateID = :o")},
        {QStringLiteral("Palletes"), TOrderWriter::PalletColumns(),
         QStringLiteral("ID in (select PalleteID from Solutions where ApplicateID = :o)")},
        {QStringLiteral("Solutions"), TOrderWriter::PlacementColumns(),
         QStringLiteral("ApplicateID = :o")},
        {QStringLiteral("PalletePins"),
         {{QStringLiteral("ID"), TColumn::Integer}, {QStringLiteral("PalleteID"), TColumn::Integer}},
         QStringLiteral("PalleteID in (select PalleteID from Solutions where ApplicateID = :o)")},
        {QStringLiteral("ApplicatePlans"),
         {{QStringLiteral("ID"), TColumn::Integer},
          {QStringLiteral("ApplicateID"), TColumn::Integer},
          {QStringLiteral("Method"), TColumn::Text},
          {QStringLiteral("Edited"), TColumn::Integer}},
         QStringLiteral("ApplicateID = :o")}};
    return tables;
}

QList<QVariantList>& Part(TPlanSnapshot& ASnapshot, int ATable) {
    switch (ATable) {
    case 0:
        return ASnapshot.Positions;
    case 1:
        return ASnapshot.Pallets;
    case 2:
        return ASnapshot.Placements;
    case 3:
        return ASnapshot.Pins;
    default:
        return ASnapshot.Origin;
    }
}

// The plan's rows that AWhere (one condition a table, binds ABinds) picks.
TPlanSnapshot ReadRows(const QSqlDatabase& ADb, const QStringList& AWhere,
                       const QVariantMap& ABinds) {
    TPlanSnapshot snapshot;
    for (int t = 0; t < PlanTables().size(); ++t) {
        const TPlanTable& table = PlanTables().at(t);
        QStringList names;
        for (const auto& [name, type] : table.Columns)
            names << name;
        for (const QSqlRecord& r : SqlRun::Open(
                 ADb,
                 QStringLiteral("select %1 from %2 where %3 order by ID")
                     .arg(names.join(QLatin1Char(',')), table.Name, AWhere.at(t)),
                 ABinds)) {
            QVariantList row;
            for (int c = 0; c < r.count(); ++c)
                // Compared as text: the drivers hand the same number back as different types.
                row << (r.isNull(c) ? QVariant() : QVariant(r.value(c).toString()));
            Part(snapshot, t).append(row);
        }
    }
    return snapshot;
}

QStringList OrderRows() {
    QStringList where;
    for (const TPlanTable& t : PlanTables())
        where << t.Rows;
    return where;
}

// Inserts the rows, keys and all: positions and pallets before the placements naming them.
void InsertRows(const QSqlDatabase& ADb, const TSqlDialect& ADialect, TPlanSnapshot ARows) {
    TOrderWriter writer(ADb, ADialect);
    for (int t = 0; t < PlanTables().size(); ++t) {
        QVariantList values;
        for (const QVariantList& row : Part(ARows, t))
            values << row;
        writer.InsertRows(PlanTables().at(t).Name, PlanTables().at(t).Columns, values);
    }
}

} // namespace

namespace PlanEdit {

QList<TPlanPallet> Pallets(TDataModule& AData, qint64 AOrder) {
    QHash<qint64, qint64> sheets;
    for (const QSqlRecord& r : AData.OpenSql(
             QStringLiteral("select PalleteID, sum(Quantity) from Solutions where ApplicateID = :o "
                            "group by PalleteID union all select PalleteID, sum(Quantity) from "
                            "Solutions_archive where ApplicateID = :a group by PalleteID"),
             {{QStringLiteral(":o"), AOrder}, {QStringLiteral(":a"), AOrder}}))
        sheets.insert(r.value(0).toLongLong(), r.value(1).toLongLong());
    QSet<qint64> pins;
    for (const QSqlRecord& r : AData.OpenSql(QStringLiteral("select PalleteID from PalletePins")))
        pins.insert(r.value(0).toLongLong());
    QList<TPlanPallet> pallets;
    for (const QSqlRecord& r :
         AData.OpenSql(TDataModule::PalletsSql(AData.Dialect()),
                       {{QStringLiteral(":apno1"), AOrder}, {QStringLiteral(":apno2"), AOrder}})) {
        TPlanPallet p;
        p.Number = r.value(QStringLiteral("Number")).toInt();
        p.Id = r.value(QStringLiteral("id")).toLongLong();
        p.ColourCode = r.value(QStringLiteral("clrcode")).toString();
        p.Sheets = sheets.value(p.Id);
        p.Rows = r.value(QStringLiteral("h")).toLongLong();
        p.Weight = r.value(QStringLiteral("W")).toDouble();
        p.Pinned = pins.contains(p.Id);
        pallets.append(p);
    }
    return pallets;
}

QString Contents(TDataModule& AData, qint64 APallet) {
    QStringList parts;
    for (const TRow& r : Rows(AData.Connection(), APallet))
        parts << QStringLiteral("%1:%2:%3").arg(r.Solution).arg(r.Position).arg(r.Quantity);
    return parts.join(QLatin1Char(';'));
}

qint64 PlacedPosition(TDataModule& AData, qint64 APlacement) {
    return AData
        .OpenSql(QStringLiteral("select PosID from Solutions where ID = :s"),
                 {{QStringLiteral(":s"), APlacement}})
        .value(0)
        .value(0)
        .toLongLong();
}

qint64 Move(TDataModule& AData, const TPlanMove& AMove) {
    QSqlDatabase db = AData.Connection();
    TTransaction transaction(db, AData.Dialect());
    if (!WorkingOrder::Holds(db, AMove.Order))
        throw EGravelonError(
            SqlRun::Value(db, QStringLiteral("select count(*) from Applicates_archive where ID = :o"),
                          {{QStringLiteral(":o"), AMove.Order}})
                        .toLongLong() > 0
                ? QStringLiteral("Заявка в архиве: ее раскладку изменить нельзя")
                : QStringLiteral("Заявка не найдена: ее удалили на другом рабочем месте"));
    QHash<qint64, int> numbers;
    for (const TPlanPallet& p : Pallets(AData, AMove.Order))
        numbers.insert(p.Id, p.Number);
    if (!numbers.contains(AMove.FromPallet) ||
        (AMove.ToPallet != 0 && !numbers.contains(AMove.ToPallet)))
        throw EOrderChanged(QStringLiteral("Поддона нет в раскладке заявки: она изменена на "
                                           "другом рабочем месте"));
    const bool checked = !AMove.SeenFrom.isNull();
    if (checked && (Contents(AData, AMove.FromPallet) != AMove.SeenFrom ||
                    (AMove.ToPallet != 0 && Contents(AData, AMove.ToPallet) != AMove.SeenTo)))
        throw EOrderChanged(QStringLiteral("Поддон изменен на другом рабочем месте"));

    if (WorkingOrder::HasLoadedPallets(db, AMove.Order)) {
        if (!AMove.AllowLoaded)
            throw ELoadedPallets(QStringLiteral("Поддоны заявки уже грузятся: после перемещения "
                                                "погруженные поддоны разойдутся с раскладкой; "
                                                "ничего не изменено"));
        SqlRun::Exec(db, QStringLiteral("delete from PalleteLoads where PalleteID in (:f, :t)"),
                     {{QStringLiteral(":f"), AMove.FromPallet}, {QStringLiteral(":t"), AMove.ToPallet}});
    }
    const QString from = PalletName(numbers, AMove.FromPallet);
    const QList<TRow> source = Rows(db, AMove.FromPallet);
    TRow moved;
    for (const TRow& r : source)
        if (r.Position == AMove.Position)
            moved = r;
    if (moved.Solution == 0)
        throw EGravelonError(
            QStringLiteral("%1: на нем нет позиции %2").arg(from).arg(AMove.Position));
    if (AMove.Count < 1 || AMove.Count > moved.Quantity)
        throw EGravelonError(QStringLiteral("%1: позиции %2 на нем %3, переместить можно от 1 "
                                            "до %4")
                                 .arg(from)
                                 .arg(AMove.Position)
                                 .arg(RussianNumbers::Count(moved.Quantity, "лист", "листа",
                                                            "листов"))
                                 .arg(moved.Quantity));
    if (AMove.ToPallet == AMove.FromPallet)
        throw EGravelonError(QStringLiteral("Листы уже на этом поддоне"));

    qint64 to = AMove.ToPallet;
    QList<TRow> target;
    if (to != 0) {
        target = Rows(db, to);
        const qint64 colour =
            SqlRun::Value(db, QStringLiteral("select ColorID from Palletes where ID = :p"),
                          {{QStringLiteral(":p"), to}})
                .toLongLong();
        if (colour != moved.ColorId)
            throw EGravelonError(QStringLiteral("%1 другого цвета: на один поддон кладутся листы "
                                                "одного цвета")
                                     .arg(PalletName(numbers, to)));
    } else {
        SqlRun::Exec(db, QStringLiteral("insert into Palletes (ColorID) values (:c)"),
                     {{QStringLiteral(":c"), moved.ColorId}});
        // Under the write lock no one else inserts: the highest key is the new one.
        to = SqlRun::Value(db, QStringLiteral("select max(ID) from Palletes")).toLongLong();
    }

    // Sheets of one position on one pallet stand in one row: the moved sheets join
    // the row already there, which keeps the smaller key (a customer's position before
    // the parts split off it).
    const QHash<qint64, qint64> roots = Roots(db, AMove.Order);
    TRow joined;
    for (const TRow& r : target)
        if (r.Width == moved.Width && r.Height == moved.Height &&
            roots.value(r.Position) == roots.value(moved.Position))
            joined = r;
    const bool whole = AMove.Count == moved.Quantity;
    if (joined.Solution != 0) {
        const qint64 total = joined.Quantity + AMove.Count;
        if (!whole) {
            SetQuantity(db, moved, moved.Quantity - AMove.Count);
            SetQuantity(db, joined, total);
        } else if (joined.Position < moved.Position) {
            Drop(db, moved);
            SetQuantity(db, joined, total);
        } else {
            Drop(db, joined);
            SqlRun::Exec(db, QStringLiteral("update Solutions set PalleteID = :p where ID = :id"),
                         {{QStringLiteral(":p"), to}, {QStringLiteral(":id"), moved.Solution}});
            SetQuantity(db, moved, total);
        }
    } else if (whole) {
        SqlRun::Exec(db, QStringLiteral("update Solutions set PalleteID = :p where ID = :id"),
                     {{QStringLiteral(":p"), to}, {QStringLiteral(":id"), moved.Solution}});
    } else {
        SetQuantity(db, moved, moved.Quantity - AMove.Count);
        const qint64 root = roots.value(moved.Position, moved.Position);
        SqlRun::Exec(db,
                     QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, Height, "
                                    "Quantity, Comment, ColorID) values (:o, :w, :h, :q, :c, :k)"),
                     {{QStringLiteral(":o"), AMove.Order},
                      {QStringLiteral(":w"), moved.Width},
                      {QStringLiteral(":h"), moved.Height},
                      {QStringLiteral(":q"), AMove.Count},
                      {QStringLiteral(":c"), PartRemark::SplitRemark(moved.Comment, root)},
                      {QStringLiteral(":k"), moved.ColorId}});
        TRow part = moved;
        part.Position =
            SqlRun::Value(db, QStringLiteral("select max(ID) from ApplicatePositions")).toLongLong();
        SqlRun::Exec(db,
                     QStringLiteral("insert into Solutions (ApplicateID, PosID, PalleteID, "
                                    "QuantityInRow, Quantity) values (:o, :pos, :p, 1, :q)"),
                     {{QStringLiteral(":o"), AMove.Order},
                      {QStringLiteral(":pos"), part.Position},
                      {QStringLiteral(":p"), to},
                      {QStringLiteral(":q"), AMove.Count}});
        part.Solution =
            SqlRun::Value(db, QStringLiteral("select max(ID) from Solutions")).toLongLong();
        SetQuantity(db, part, AMove.Count);
    }
    Reroot(db, roots);
    // An emptied pallet goes, and its pin with it: the pin is the plan's, and undoing
    // the move brings both back.
    for (const QString& table : {QStringLiteral("PalletePins where PalleteID"),
                                 QStringLiteral("Palletes where ID")})
        SqlRun::Exec(db,
                     QStringLiteral("delete from %1 = :p and not exists (select 1 from Solutions "
                                    "s where s.PalleteID = :q)")
                         .arg(table),
                     {{QStringLiteral(":p"), AMove.FromPallet}, {QStringLiteral(":q"), AMove.FromPallet}});
    // The pallet's size and limits as the calculation keeps them.
    SqlRun::Exec(db, TDataModule::PalletSizesSql());

    const QSqlRecord limits =
        SqlRun::Open(db,
                     QStringLiteral("select a.MaxW, m.MaxH, pw(:p) W, ph(:q) H from Applicates a "
                                    "inner join Materials m on m.ID = a.MatID where a.ID = :o"),
                     {{QStringLiteral(":p"), to},
                      {QStringLiteral(":q"), to},
                      {QStringLiteral(":o"), AMove.Order}})
            .value(0);
    const double maxWeight = limits.value(0).toDouble();
    const qint64 maxRows = limits.value(1).toLongLong();
    const double weight = limits.value(2).toDouble();
    const qint64 rows = limits.value(3).toLongLong();
    const QString name = PalletName(numbers, AMove.ToPallet);
    if (maxWeight > 0 && weight > maxWeight)
        throw EGravelonError(QStringLiteral("%1: вес %2 кг больше допустимых %3 кг")
                                 .arg(name, RussianNumbers::Kilograms(weight),
                                      RussianNumbers::Kilograms(maxWeight)));
    if (maxRows > 0 && rows > maxRows)
        throw EGravelonError(QStringLiteral("%1: высота %2 больше допустимых %3")
                                 .arg(name, RussianNumbers::Count(rows, "ряд", "ряда", "рядов"))
                                 .arg(maxRows));
    PlanOrigin::Edited(db, AMove.Order);
    transaction.Commit();
    return to;
}

TPlanSnapshot Snapshot(TDataModule& AData, qint64 AOrder) {
    return ReadRows(AData.Connection(), OrderRows(), {{QStringLiteral(":o"), AOrder}});
}

void Restore(TDataModule& AData, qint64 AOrder, const TPlanSnapshot& AExpected,
             const TPlanSnapshot& ATo) {
    QSqlDatabase db = AData.Connection();
    TTransaction transaction(db, AData.Dialect());
    if (!WorkingOrder::Holds(db, AOrder))
        throw EOrderChanged(QStringLiteral("Заявка больше не текущая: ее раскладку изменить нельзя"));
    if (Snapshot(AData, AOrder) != AExpected)
        throw EOrderChanged(QStringLiteral("Раскладка изменена на другом рабочем месте"));
    // Placements first, as they name the pallets and the positions; back in the other order.
    const QVariantMap order{{QStringLiteral(":o"), AOrder}};
    const QList<QVariant> pallets = [&] {
        QList<QVariant> keys;
        for (const QVariantList& row : AExpected.Pallets)
            keys << row.first();
        return keys;
    }();
    for (const QVariant& key : pallets)
        SqlRun::Exec(db, QStringLiteral("delete from PalletePins where PalleteID = :p"),
                     {{QStringLiteral(":p"), key}});
    SqlRun::Exec(db, QStringLiteral("delete from Solutions where ApplicateID = :o"), order);
    for (const QVariant& key : pallets)
        SqlRun::Exec(db, QStringLiteral("delete from Palletes where ID = :p"),
                     {{QStringLiteral(":p"), key}});
    SqlRun::Exec(db, QStringLiteral("delete from ApplicatePositions where ApplicateID = :o"), order);
    SqlRun::Exec(db, QStringLiteral("delete from ApplicatePlans where ApplicateID = :o"), order);
    InsertRows(db, AData.Dialect(), ATo);
    transaction.Commit();
}

void SetPinned(TDataModule& AData, qint64 AOrder, qint64 APallet, bool APinned) {
    QSqlDatabase db = AData.Connection();
    TTransaction transaction(db, AData.Dialect());
    if (!WorkingOrder::Holds(db, AOrder))
        throw EGravelonError(QStringLiteral("Заявка в архиве: ее раскладку изменить нельзя"));
    const bool held = SqlRun::Value(db,
                                    QStringLiteral("select count(*) from Solutions where "
                                                   "PalleteID = :p and ApplicateID = :o"),
                                    {{QStringLiteral(":p"), APallet}, {QStringLiteral(":o"), AOrder}})
                          .toLongLong() > 0;
    if (!held)
        throw EOrderChanged(QStringLiteral("Поддона нет в раскладке заявки: она изменена на "
                                           "другом рабочем месте"));
    const QVariantMap pallet{{QStringLiteral(":p"), APallet}};
    SqlRun::Exec(db, QStringLiteral("delete from PalletePins where PalleteID = :p"), pallet);
    if (APinned)
        SqlRun::Exec(db, QStringLiteral("insert into PalletePins (PalleteID) values (:p)"), pallet);
    transaction.Commit();
}

bool AnyPinned(const QSqlDatabase& ADb) {
    return SqlRun::Value(ADb, QStringLiteral("select count(*) from PalletePins where PalleteID in "
                                             "(select ID from Palletes)"))
               .toLongLong() > 0;
}

TSetAside SetAside(const QSqlDatabase& ADb, bool AReplaceLoaded) {
    const QHash<qint64, qint64> roots = Roots(ADb, 0);
    const QString pinned =
        QStringLiteral("(select PalleteID from PalletePins where PalleteID in (select ID from "
                       "Palletes))");
    TSetAside aside;
    aside.Roots = roots;
    aside.Rows = ReadRows(ADb,
                          {QStringLiteral("ID in (select PosID from Solutions where PalleteID in ") +
                               pinned + QLatin1Char(')'),
                           QStringLiteral("ID in ") + pinned,
                           QStringLiteral("PalleteID in ") + pinned,
                           // the pins themselves stay where they are, and the plan's
                           // origin is the calculation's to write
                           QStringLiteral("1 = 0"), QStringLiteral("1 = 0")},
                          {});
    // The pallets packed anew make the labels of the loaded ones among them stale.
    const QString loaded = QStringLiteral("PalleteLoads where PalleteID in (select ID from "
                                          "Palletes) and PalleteID not in ") +
                           pinned;
    if (SqlRun::Value(ADb, QStringLiteral("select count(*) from ") + loaded).toLongLong() > 0) {
        if (!AReplaceLoaded)
            throw ELoadedPallets(QStringLiteral("Часть поддонов заявки уже погружена: пересчет "
                                                "сделает их этикетки устаревшими; ничего не "
                                                "изменено"));
        SqlRun::Exec(ADb, QStringLiteral("delete from ") + loaded);
    }
    SqlRun::Exec(ADb, QStringLiteral("delete from Solutions"));
    SqlRun::Exec(ADb, QStringLiteral("delete from Palletes"));
    for (const QVariantList& row : aside.Rows.Positions)
        SqlRun::Exec(ADb, QStringLiteral("delete from ApplicatePositions where ID = :id"),
                     {{QStringLiteral(":id"), row.first()}});
    QList<qint64> kept;
    for (const QVariantList& row : aside.Rows.Pallets)
        kept << row.first().toLongLong();
    for (const QSqlRecord& r : SqlRun::Open(ADb, QStringLiteral("select PalleteID from PalletePins")))
        if (!kept.contains(r.value(0).toLongLong()))
            SqlRun::Exec(ADb, QStringLiteral("delete from PalletePins where PalleteID = :p"),
                         {{QStringLiteral(":p"), r.value(0)}});

    // Every position whole again: a part not pinned joins the first row of its position
    // that is left, which keeps its key and its words.
    QList<PartRemark::TStoredRow> rows;
    QList<qint64> quantities;
    for (const QSqlRecord& r : SqlRun::Open(
             ADb, QStringLiteral("select ID, Width, Height, ColorID, Comment, Quantity from "
                                 "ApplicatePositions order by ID"))) {
        rows.append({r.value(0).toLongLong(), r.value(1).toLongLong(), r.value(2).toLongLong(),
                     r.value(3).toLongLong(), r.value(4).toString()});
        quantities.append(r.value(5).toLongLong());
    }
    const QList<int> sources = PartRemark::Sources(rows);
    QHash<int, qint64> total;
    for (int i = 0; i < rows.size(); ++i) {
        int root = i;
        while (sources.at(root) >= 0)
            root = sources.at(root);
        total[root] += quantities.at(i);
        if (root != i)
            SqlRun::Exec(ADb, QStringLiteral("delete from ApplicatePositions where ID = :id"),
                         {{QStringLiteral(":id"), rows.at(i).Id}});
    }
    for (auto it = total.cbegin(); it != total.cend(); ++it)
        if (it.value() != quantities.at(it.key()))
            SqlRun::Exec(ADb, QStringLiteral("update ApplicatePositions set Quantity = :q where ID = :id"),
                         {{QStringLiteral(":q"), it.value()}, {QStringLiteral(":id"), rows.at(it.key()).Id}});
    return aside;
}

void PutBack(const QSqlDatabase& ADb, const TSqlDialect& ADialect, const TSetAside& ARows) {
    InsertRows(ADb, ADialect, ARows.Rows);
    Reroot(ADb, ARows.Roots);
}

} // namespace PlanEdit
