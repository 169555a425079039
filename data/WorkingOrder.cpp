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

void Require(const QSqlDatabase& ADb, qlonglong AShownOrder, const QString& AMessage) {
    if (Keys(ADb) != QList<qlonglong>{AShownOrder})
        throw EOrderChanged(AMessage);
}

} // namespace WorkingOrder
