#include "OrderHeaderStore.h"

#include "CellText.h"
#include "DataModule.h"
#include "Errors.h"
#include "OrderSheet.h"

#include <QRegularExpression>

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
        items.append({id, text, TOrderSheet::MaterialWidthText(width)});
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

QString TOrderHeaderStore::OneLine(const QString& AText) {
    QString text = AText;
    // A CR LF pair is one break, so one space.
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : text)
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == u'\v' || c == u'\f')
            c = u' ';
    return text;
}

QString TOrderHeaderStore::FindOrCreateCustomer(const QString& ACustomerName) const {
    const QString name = OneLine(ACustomerName);
    const QString key = MatchingKey(name);
    // The whole key, bound: no character of a name is read as a pattern. A name of
    // spaces only has the empty key, written out: a bound empty text may reach the
    // driver as NULL, which equals nothing.
    const QString lookup =
        key.isEmpty()
            ? QStringLiteral("SELECT ID FROM Customers WHERE NameSravn = '' ORDER BY ID")
            : QStringLiteral("SELECT ID FROM Customers WHERE NameSravn = :key ORDER BY ID");
    const QVariantMap binds =
        key.isEmpty() ? QVariantMap() : QVariantMap{{QStringLiteral(":key"), key}};
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QList<QSqlRecord> found = FData.OpenSql(lookup, binds);
        if (!found.isEmpty())
            return found.first().value(0).toString();
        if (attempt == 0) {
            FData.ExecSql(QStringLiteral("insert into Customers (Name,NameSravn) values\n(") +
                          TSqlDialect::QuotedStr(name) + QLatin1Char(',') +
                          TSqlDialect::QuotedStr(key) + QStringLiteral(");"));
        }
    }
    throw EGravelonError(
        QStringLiteral("Добавленный заказчик «%1» не найден в базе данных").arg(name));
}

QString TOrderHeaderStore::MaterialThickness(const QString& AMaterialID) const {
    bool ok = false;
    const qlonglong id = AMaterialID.trimmed().toLongLong(&ok);
    if (!ok)
        return QString();
    const QList<QSqlRecord> rows =
        FData.OpenSql(QStringLiteral("select Width from Materials where ID = :id"),
                      {{QStringLiteral(":id"), id}});
    return rows.isEmpty() ? QString() : TOrderSheet::MaterialWidthText(rows.first().value(0));
}

QString TOrderHeaderStore::ThicknessQuestion(const QString& AOrderThickness,
                                             const QString& AMaterialText,
                                             const QString& AMaterialThickness) {
    const QString material = AMaterialThickness.isEmpty()
                                 ? QStringLiteral("толщина которого не указана")
                                 : QStringLiteral("толщиной %1 мм").arg(AMaterialThickness);
    return QStringLiteral("Листы заявки толщиной %1 мм, а выбран материал «%2» %3.\n"
                          "Вес поддонов будет рассчитан по выбранному материалу. "
                          "Сохранить заявку с этим материалом?")
        .arg(AOrderThickness, AMaterialText, material);
}

bool TOrderHeaderStore::ParseMaxWeight(const QString& AText, double* AValue) {
    static const QRegularExpression number(QStringLiteral("^[0-9]+([.,][0-9]+)?$"));
    QString t = AText.trimmed();
    if (!number.match(t).hasMatch())
        return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !qIsFinite(v) || v <= 0)
        return false;
    if (AValue)
        *AValue = v;
    return true;
}

QString TOrderHeaderStore::MaxWeightProblem(const QString& AText) {
    if (AText.isEmpty())
        return QStringLiteral("Не указан максимальный вес поддона");
    if (ParseMaxWeight(AText))
        return QString();
    static const QRegularExpression signedNumber(QStringLiteral("^[-+]?[0-9]+([.,][0-9]+)?$"));
    if (signedNumber.match(AText.trimmed()).hasMatch())
        return QStringLiteral("Максимальный вес поддона должен быть больше нуля (указано «%1»)")
            .arg(AText);
    return QStringLiteral("Максимальный вес поддона «%1» не является числом: укажите вес в "
                          "килограммах, например 1200 или 1200,5")
        .arg(AText);
}

void TOrderHeaderStore::RequireMaterial(const QString& AMaterialID) const {
    bool ok = false;
    const qlonglong id = AMaterialID.trimmed().toLongLong(&ok);
    if (ok && !FData
                   .OpenSql(QStringLiteral("select ID from Materials where ID = :id"),
                            {{QStringLiteral(":id"), id}})
                   .isEmpty())
        return;
    QStringList known;
    for (const TMaterialItem& m : MaterialItems())
        known << QStringLiteral("%1 — %2").arg(m.ID).arg(m.Text);
    throw EGravelonError(
        QStringLiteral("Выберите материал из справочника: материал %1 не найден в базе данных%2")
            .arg(AMaterialID.trimmed(),
                 known.isEmpty() ? QStringLiteral(" (в справочнике нет ни одного материала)")
                                 : QStringLiteral(" (есть: ") + known.join(QStringLiteral("; ")) +
                                       QLatin1Char(')')));
}

qlonglong TOrderHeaderStore::InsertOrder(const TOrderHeader& AHeader) const {
    const QString number = OneLine(AHeader.Number);
    const QString date =
        AHeader.Date.isValid() ? AHeader.Date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    double maxWeight = 0;
    if (!ParseMaxWeight(AHeader.MaxWeight, &maxWeight))
        throw EGravelonError(MaxWeightProblem(AHeader.MaxWeight));
    RequireMaterial(AHeader.MaterialID);
    const QStringList values = {number, date, AHeader.CustomerID, AHeader.MaterialID,
                                AHeader.Comment};
    QStringList quoted;
    for (const QString& v : values)
        quoted.append(TSqlDialect::QuotedStr(v));
    // The limit as the number it was read as, in the C form every database reads:
    // "100,5" typed is 100.5 kg.
    quoted.append(QString::number(maxWeight, 'g', QLocale::FloatingPointShortest));
    FData.ExecSql(
        QStringLiteral("insert into Applicates (Number,Date,CustomerID,MatID,Comment,MaxW) "
                       "values\n(") +
        quoted.join(QLatin1Char(',')) + QStringLiteral(");"));
    // The key of the row just inserted: the working table holds this order alone,
    // and the newest row of its number is it.
    const QVariant id = FData
                            .OpenSql(QStringLiteral("select ID from Applicates where Number = "
                                                    ":number order by ID desc limit 1"),
                                     {{QStringLiteral(":number"), number}})
                            .value(0)
                            .value(0);
    if (!id.isValid())
        throw EGravelonError(
            QStringLiteral("Записанная заявка № %1 не найдена в базе данных").arg(number));
    return id.toLongLong();
}

void TOrderHeaderStore::Record(TOrderHeader& AHeader) const {
    AHeader.CustomerID = FindOrCreateCustomer(AHeader.CustomerName);
    AHeader.OrderID = InsertOrder(AHeader);
}
