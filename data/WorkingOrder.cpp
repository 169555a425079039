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

} // namespace WorkingOrder
