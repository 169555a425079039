#include "PalletDispatch.h"

#include "DataModule.h"
#include "Errors.h"
#include "SqlRun.h"
#include "WorkingOrder.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QSysInfo>

namespace PalletCode {

QString Of(qlonglong APallet) {
    return QStringLiteral("GRV-") + QString::number(APallet);
}

std::optional<qlonglong> Parse(const QString& AText) {
    static const QRegularExpression code(QStringLiteral("^GRV-([1-9][0-9]{0,17})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = code.match(AText.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toLongLong();
}

} // namespace PalletCode

int TDispatchOrder::LoadedCount() const {
    int n = 0;
    for (const TDispatchPallet& p : Pallets)
        n += p.Loaded() ? 1 : 0;
    return n;
}

QString TDispatchOrder::Counter() const {
    return QStringLiteral("Погружено %1 из %2").arg(LoadedCount()).arg(Pallets.size());
}

QList<int> TDispatchOrder::NotLoaded() const {
    QList<int> numbers;
    for (const TDispatchPallet& p : Pallets)
        if (!p.Loaded())
            numbers << p.Number;
    return numbers;
}

const TDispatchPallet* TDispatchOrder::Pallet(qlonglong AId) const {
    for (const TDispatchPallet& p : Pallets)
        if (p.Id == AId)
            return &p;
    return nullptr;
}

namespace {

const QString Stamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// "в 14:32" today, "10.12.2026 в 14:32" another day.
QString When(const QString& ALoadedAt) {
    const QDateTime at = QDateTime::fromString(ALoadedAt.left(19), Stamp);
    if (!at.isValid())
        return ALoadedAt;
    const QString time = QStringLiteral("в ") + at.toString(QStringLiteral("HH:mm"));
    return at.date() == QDate::currentDate() ? time
                                             : at.toString(QStringLiteral("dd.MM.yyyy ")) + time;
}

QVariantMap OrderBinds(qlonglong AOrder) {
    return {{QStringLiteral(":a1"), AOrder}, {QStringLiteral(":a2"), AOrder}};
}

} // namespace

TPalletDispatch::TPalletDispatch(TDataModule& AData, QString AWorkstation)
    : FData(AData), FWorkstation(AWorkstation.isEmpty() ? ThisWorkstation() : AWorkstation) {}

QString TPalletDispatch::ThisWorkstation() {
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("?") : host;
}

qlonglong TPalletDispatch::WorkingOrder() {
    return WorkingOrder::Id(FData.Connection());
}

qlonglong TPalletDispatch::OrderOf(qlonglong APallet) {
    // A pallet the calculation left without contents is in no list and on no label.
    return SqlRun::Value(FData.Connection(),
                         QStringLiteral("select ApplicateID from Solutions where PalleteID = :p1 "
                                        "union all select ApplicateID from Solutions_archive "
                                        "where PalleteID = :p2"),
                         {{QStringLiteral(":p1"), APallet}, {QStringLiteral(":p2"), APallet}})
        .toLongLong();
}

bool TPalletDispatch::EverIssued(qlonglong APallet) {
    // Keys are handed out in increasing order and never again: a key at or below the
    // last one given was a pallet once, and the calculation that followed removed it.
    const QString sql =
        FData.Dialect().IsPostgres()
            ? QStringLiteral("select pg_sequence_last_value(cast(pg_get_serial_sequence("
                             "'palletes', 'id') as regclass))")
            : QStringLiteral("select seq from sqlite_sequence where name = 'Palletes'");
    const QVariant last = SqlRun::Value(FData.Connection(), sql);
    return !last.isNull() && APallet <= last.toLongLong();
}

TDispatchOrder TPalletDispatch::ReadOrder(qlonglong AOrder) {
    TDispatchOrder order;
    const QList<QSqlRecord> head = FData.OpenSql(
        QStringLiteral("select a.ID, a.Number, c.Name from Applicates a left join Customers c "
                       "on c.ID = a.CustomerID where a.ID = :a1 union all "
                       "select a.ID, a.Number, c.Name from Applicates_archive a left join "
                       "Customers c on c.ID = a.CustomerID where a.ID = :a2"),
        OrderBinds(AOrder));
    if (head.isEmpty())
        return order;
    order.Id = head.first().value(0).toLongLong();
    order.Number = head.first().value(1).toString();
    order.Customer = head.first().value(2).toString();
    QHash<qlonglong, QSqlRecord> marks;
    for (const QSqlRecord& r : FData.OpenSql(
             QStringLiteral("select PalleteID, cast(LoadedAt as text), Workstation from "
                            "PalleteLoads where PalleteID in (select PalleteID from Solutions "
                            "where ApplicateID = :a1 union all select PalleteID from "
                            "Solutions_archive where ApplicateID = :a2)"),
             OrderBinds(AOrder)))
        marks.insert(r.value(0).toLongLong(), r);
    int number = 0;
    for (qlonglong id : FData.PalletIds(AOrder)) {
        TDispatchPallet p;
        p.Id = id;
        p.Number = ++number;
        const auto mark = marks.constFind(id);
        if (mark != marks.constEnd()) {
            p.LoadedAt = mark->value(1).toString().left(19);
            p.Workstation = mark->value(2).toString();
        }
        order.Pallets << p;
    }
    return order;
}

TDispatchOrder TPalletDispatch::Status(qlonglong AOrder) {
    // One state of the tables, whatever another workstation scans meanwhile.
    TTransaction snapshot(FData.Connection(), FData.Dialect(), TTransactionKind::Read);
    TDispatchOrder order = ReadOrder(AOrder);
    snapshot.Commit();
    return order;
}

TScanVerdict TPalletDispatch::Scan(const QString& ACode, qlonglong AExpectedOrder) {
    TScanVerdict v;
    const QString shown = ACode.trimmed();
    const std::optional<qlonglong> pallet = PalletCode::Parse(shown);
    if (!pallet) {
        v.Message = QStringLiteral("«%1» — не код поддона: отсканируйте этикетку поддона")
                        .arg(shown.left(60));
        return v;
    }
    v.Pallet = *pallet;
    const QString code = PalletCode::Of(*pallet);
    TTransaction tr(FData.Connection(), FData.Dialect());
    const qlonglong orderId = OrderOf(*pallet);
    if (orderId == 0) {
        if (EverIssued(*pallet)) {
            v.Outcome = TScanOutcome::Stale;
            v.Message = code + QStringLiteral(": этикетка устарела: заказ пересчитан. "
                                              "Напечатайте этикетки заново");
        } else {
            v.Message = code + QStringLiteral(": такого поддона в базе нет");
        }
        return v;
    }
    v.Order = ReadOrder(orderId);
    if (const TDispatchPallet* p = v.Order.Pallet(*pallet))
        v.Number = p->Number;
    const QString which = QStringLiteral("Поддон %1 заявки %2").arg(v.Number).arg(v.Order.Number);
    if (AExpectedOrder > 0 && orderId != AExpectedOrder) {
        const TDispatchOrder loading = ReadOrder(AExpectedOrder);
        v.Outcome = TScanOutcome::OtherOrder;
        v.Message =
            which +
            QStringLiteral(" — другой заказ: грузится заявка %1. Не грузить!").arg(loading.Number);
        return v;
    }
    if (const TDispatchPallet* p = v.Order.Pallet(*pallet); p && p->Loaded()) {
        v.Outcome = TScanOutcome::AlreadyLoaded;
        v.LoadedAt = p->LoadedAt;
        v.Message =
            which + QStringLiteral(" уже погружен %1 (%2)").arg(When(p->LoadedAt), p->Workstation);
        return v;
    }
    const QString now = QDateTime::currentDateTime().toString(Stamp);
    FData.ExecSql(QStringLiteral("insert into PalleteLoads (PalleteID, LoadedAt, Workstation) "
                                 "values (:p, %1, :w)")
                      .arg(FData.Dialect().IsPostgres() ? QStringLiteral("cast(:t as timestamp)")
                                                        : QStringLiteral(":t")),
                  {{QStringLiteral(":p"), *pallet},
                   {QStringLiteral(":t"), now},
                   {QStringLiteral(":w"), FWorkstation}});
    tr.Commit();
    for (TDispatchPallet& p : v.Order.Pallets) {
        if (p.Id == *pallet) {
            p.LoadedAt = now;
            p.Workstation = FWorkstation;
        }
    }
    v.Outcome = TScanOutcome::Loaded;
    v.Message = which + QStringLiteral(" погружен. ") + v.Order.Counter();
    return v;
}

bool TPalletDispatch::Undo(qlonglong APallet) {
    TTransaction tr(FData.Connection(), FData.Dialect());
    const bool marked =
        SqlRun::Value(FData.Connection(),
                      QStringLiteral("select count(*) from PalleteLoads where PalleteID = :p"),
                      {{QStringLiteral(":p"), APallet}})
            .toLongLong() > 0;
    if (marked)
        FData.ExecSql(QStringLiteral("delete from PalleteLoads where PalleteID = :p"),
                      {{QStringLiteral(":p"), APallet}});
    tr.Commit();
    return marked;
}
