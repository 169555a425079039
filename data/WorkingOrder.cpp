#include "WorkingOrder.h"

#include "Errors.h"
#include "SqlRun.h"

#include <QSqlRecord>

namespace WorkingOrder {

QList<qlonglong> Keys(const QSqlDatabase& ADb) {
    QList<qlonglong> keys;
    for (const QSqlRecord& r :
         SqlRun::Open(ADb, QStringLiteral("select ID from Applicates order by ID")))
        keys.append(r.value(0).toLongLong());
    return keys;
}

qlonglong Id(const QSqlDatabase& ADb) {
    const QList<qlonglong> keys = Keys(ADb);
    return keys.isEmpty() ? 0 : keys.last();
}

bool Holds(const QSqlDatabase& ADb, qlonglong AOrder) {
    return Keys(ADb).contains(AOrder);
}

void Require(const QSqlDatabase& ADb, qlonglong AShownOrder, const QString& AMessage) {
    if (Keys(ADb) == QList<qlonglong>{AShownOrder})
        return;
    // An order that is nowhere, not even in the archive, was never replaced: it was
    // mistyped, or cleared with the archive.
    const QVariant found =
        SqlRun::Value(ADb,
                      QStringLiteral("select ID from Applicates where ID = :a1 union all "
                                     "select ID from Applicates_archive where ID = :a2"),
                      {{QStringLiteral(":a1"), AShownOrder}, {QStringLiteral(":a2"), AShownOrder}});
    if (!found.isValid())
        throw EOrderChanged(QStringLiteral("Заявка %1 не найдена").arg(AShownOrder));
    throw EOrderChanged(AMessage);
}

namespace {

qlonglong LoadedCount(const QSqlDatabase& ADb, qlonglong AOrder) {
    return SqlRun::Value(ADb,
                         QStringLiteral("select count(*) from PalleteLoads where PalleteID in "
                                        "(select PalleteID from Solutions where ApplicateID = :a1 "
                                        "union all select PalleteID from Solutions_archive "
                                        "where ApplicateID = :a2)"),
                         {{QStringLiteral(":a1"), AOrder}, {QStringLiteral(":a2"), AOrder}})
        .toLongLong();
}

} // namespace

bool HasLoadedPallets(const QSqlDatabase& ADb, qlonglong AOrder) {
    return LoadedCount(ADb, AOrder) > 0;
}

void RequireNoLoadedPallets(const QSqlDatabase& ADb, qlonglong AOrder, bool AReplace) {
    const qlonglong loaded = LoadedCount(ADb, AOrder);
    if (loaded == 0)
        return;
    if (!AReplace) {
        const QString number =
            SqlRun::Value(ADb,
                          QStringLiteral("select Number from Applicates where ID = :a1 union all "
                                         "select Number from Applicates_archive where ID = :a2"),
                          {{QStringLiteral(":a1"), AOrder}, {QStringLiteral(":a2"), AOrder}})
                .toString();
        throw ELoadedPallets(QStringLiteral("Погружено поддонов заявки %1: %2. Новый расчет "
                                            "сделает их этикетки устаревшими; ничего не изменено")
                                 .arg(number)
                                 .arg(loaded));
    }
    SqlRun::Exec(ADb, QStringLiteral("delete from PalleteLoads where PalleteID in "
                                     "(select ID from Palletes)"));
}

} // namespace WorkingOrder
