#include "OrderHeaderStore.h"

#include "CellText.h"
#include "DataModule.h"
#include "Errors.h"

#include <QSqlRecord>

namespace {

QString ValueText(const QVariant& AValue) {
    return AValue.isNull() ? QStringLiteral("-") : AValue.toString();
}

} // namespace

QStringList TOrderHeaderStore::CustomerNames() const {
    QStringList names;
    // Lists read the same on every database, whatever its collation.
    for (const QSqlRecord& r : FData.OpenSql(
             QStringLiteral("SELECT Name FROM Customers ORDER BY ") +
             FData.Dialect().BinaryOrder(QStringLiteral("Name")) + QStringLiteral(", ID")))
        names.append(ValueText(r.value(0)));
    return names;
}

QList<TOrderHeaderStore::TMaterialItem> TOrderHeaderStore::MaterialItems() const {
    QList<TMaterialItem> items;
    const QList<QSqlRecord> rows = FData.OpenSql(
        QStringLiteral("SELECT ID, Name, Width FROM Materials ORDER BY ") +
        FData.Dialect().BinaryOrder(QStringLiteral("Name")) + QStringLiteral(", Width, ID"));
    for (const QSqlRecord& r : rows) {
        bool ok = false;
        const qlonglong id = r.value(QStringLiteral("ID")).toLongLong(&ok);
        if (!ok)
            continue; // a row that does not read is left out
        QString text = r.value(QStringLiteral("Name")).toString();
        if (text.trimmed().isEmpty())
            text = QStringLiteral("Материал");
        const QVariant width = r.value(QStringLiteral("Width"));
        if (!width.isNull())
            text +=
                QStringLiteral(" (") + CellText::Number(width.toDouble()) + QStringLiteral(" мм)");
        items.append({id, text});
    }
    return items;
}

QStringList TOrderHeaderStore::MaxWeights() const {
    QStringList weights;
    const QList<QSqlRecord> rows = FData.OpenSql(QStringLiteral(
        "SELECT DISTINCT MaxW FROM Applicates WHERE MaxW IS NOT NULL union "
        "SELECT DISTINCT MaxW FROM Applicates_archive WHERE MaxW IS NOT NULL order by 1"));
    for (const QSqlRecord& r : rows) {
        const QVariant v = r.value(0);
        // A decimal point, not the locale's comma: a weight picked from the list is
        // stored as it stands and must read back as the same number.
        weights.append(v.isNull()
                           ? QStringLiteral("-")
                           : QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
    }
    return weights;
}

QString TOrderHeaderStore::MatchingKey(const QString& ACustomerName) {
    QString key = ACustomerName;
    key.remove(QLatin1Char(' '));
    return key.toLower().trimmed();
}

QString TOrderHeaderStore::LikeContains(const QString& AText) {
    QString s = AText;
    s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    s.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    s.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + s + QLatin1Char('%');
}

QString TOrderHeaderStore::FindOrCreateCustomer(const QString& ACustomerName) const {
    const QString key = MatchingKey(ACustomerName);
    // A name of spaces only has an empty key, which as a "contains" pattern would
    // match every customer: it is looked up exactly instead.
    const QString lookup =
        key.isEmpty() ? QStringLiteral("SELECT ID FROM Customers WHERE NameSravn = '' ORDER BY ID")
                      : QStringLiteral("SELECT ID FROM Customers WHERE NameSravn LIKE ") +
                            TSqlDialect::QuotedStr(LikeContains(key)) +
                            QStringLiteral(" ESCAPE '\\' ORDER BY ID");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QList<QSqlRecord> found = FData.OpenSql(lookup);
        if (!found.isEmpty())
            return found.first().value(0).toString();
        if (attempt == 0) {
            FData.ExecSql(QStringLiteral("insert into Customers (Name,NameSravn) values\n(") +
                          TSqlDialect::QuotedStr(ACustomerName) + QLatin1Char(',') +
                          TSqlDialect::QuotedStr(key) + QStringLiteral(");"));
        }
    }
    throw EGravelonError(
        QStringLiteral("Добавленный заказчик «%1» не найден в базе данных").arg(ACustomerName));
}

qlonglong TOrderHeaderStore::InsertOrder(const TOrderHeader& AHeader) const {
    const QString date =
        AHeader.Date.isValid() ? AHeader.Date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    const QStringList values = {AHeader.Number,     date,
                                AHeader.CustomerID, AHeader.MaterialID,
                                AHeader.Comment,    AHeader.MaxWeight};
    QStringList quoted;
    for (const QString& v : values)
        quoted.append(TSqlDialect::QuotedStr(v));
    FData.ExecSql(
        QStringLiteral("insert into Applicates (Number,Date,CustomerID,MatID,Comment,MaxW) "
                       "values\n(") +
        quoted.join(QLatin1Char(',')) + QStringLiteral(");"));
    // The key of the row just inserted: the working table holds this order alone,
    // and the newest row of its number is it.
    const QVariant id = FData
                            .OpenSql(QStringLiteral("select ID from Applicates where Number = "
                                                    ":number order by ID desc limit 1"),
                                     {{QStringLiteral(":number"), AHeader.Number}})
                            .value(0)
                            .value(0);
    if (!id.isValid())
        throw EGravelonError(
            QStringLiteral("Записанная заявка № %1 не найдена в базе данных").arg(AHeader.Number));
    return id.toLongLong();
}

void TOrderHeaderStore::Record(TOrderHeader& AHeader) const {
    AHeader.CustomerID = FindOrCreateCustomer(AHeader.CustomerName);
    AHeader.OrderID = InsertOrder(AHeader);
    OrderHeader = AHeader;
}
