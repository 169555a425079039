#include "PlanOrigin.h"

#include "SqlRun.h"

#include <QSqlRecord>

namespace {

QVariant MethodValue(TPlanOrigin::TMethod AMethod) {
    switch (AMethod) {
    case TPlanOrigin::TMethod::Normal:
        return QStringLiteral("normal");
    case TPlanOrigin::TMethod::Dense:
        return QStringLiteral("dense");
    default:
        return QVariant(QMetaType::fromType<QString>());
    }
}

// Sets the order's row, making it if the order has none yet.
void Store(const QSqlDatabase& ADb, qint64 AOrder, const QVariant& AMethod, bool AEdited) {
    const QVariantMap values{{QStringLiteral(":m"), AMethod},
                             {QStringLiteral(":e"), AEdited ? 1 : 0},
                             {QStringLiteral(":o"), AOrder}};
    if (SqlRun::Value(ADb, QStringLiteral("select count(*) from ApplicatePlans where "
                                          "ApplicateID = :o"),
                      {{QStringLiteral(":o"), AOrder}})
            .toLongLong() > 0)
        SqlRun::Exec(ADb, QStringLiteral("update ApplicatePlans set Method = :m, Edited = :e "
                                         "where ApplicateID = :o"),
                     values);
    else
        SqlRun::Exec(ADb, QStringLiteral("insert into ApplicatePlans (Method, Edited, ApplicateID) "
                                         "values (:m, :e, :o)"),
                     values);
}

} // namespace

QString TPlanOrigin::Caption() const {
    const QString made = Method == TMethod::Dense    ? QStringLiteral("плотная укладка")
                         : Method == TMethod::Normal ? QStringLiteral("обычный расчет")
                                                     : QString();
    if (made.isEmpty())
        return Edited ? QStringLiteral("Раскладка изменена вручную") : QString();
    return QStringLiteral("Раскладка: ") + made +
           (Edited ? QStringLiteral(", изменена вручную") : QString());
}

namespace PlanOrigin {

std::optional<TPlanOrigin> Read(const QSqlDatabase& ADb, qint64 AOrder) {
    const QList<QSqlRecord> rows =
        SqlRun::Open(ADb, QStringLiteral("select Method, Edited from ApplicatePlans where "
                                         "ApplicateID = :o"),
                     {{QStringLiteral(":o"), AOrder}});
    if (rows.isEmpty())
        return std::nullopt;
    TPlanOrigin origin;
    const QString method = rows.first().value(0).toString();
    origin.Method = method == QLatin1String("dense")    ? TPlanOrigin::TMethod::Dense
                    : method == QLatin1String("normal") ? TPlanOrigin::TMethod::Normal
                                                        : TPlanOrigin::TMethod::Unknown;
    origin.Edited = rows.first().value(1).toLongLong() != 0;
    return origin;
}

void Calculated(const QSqlDatabase& ADb, TPlanOrigin::TMethod AMethod, bool AKeepEdited) {
    for (const QSqlRecord& r : SqlRun::Open(ADb, QStringLiteral("select ID from Applicates"))) {
        const qint64 order = r.value(0).toLongLong();
        const std::optional<TPlanOrigin> was = Read(ADb, order);
        Store(ADb, order, MethodValue(AMethod), AKeepEdited && was && was->Edited);
    }
}

void Edited(const QSqlDatabase& ADb, qint64 AOrder) {
    const std::optional<TPlanOrigin> was = Read(ADb, AOrder);
    Store(ADb, AOrder, MethodValue(was ? was->Method : TPlanOrigin::TMethod::Unknown), true);
}

} // namespace PlanOrigin
