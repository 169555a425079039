#include "OrderSheet.h"

#include "ColourDirectory.h"

#include "CellText.h"

namespace {

QString WithoutSpaces(QString AText) {
    return AText.remove(QLatin1Char(' '));
}

} // namespace

const QStringList TOrderSheet::HeaderWords = {
    QStringLiteral("Цвет"),    QStringLiteral("Длина"),      QStringLiteral("Ширина"),
    QStringLiteral("Толщина"), QStringLiteral("Количество"), QStringLiteral("Комментарий")};

const QString TOrderSheet::RotatedRemark = QStringLiteral("Лист повернут на 90");

QList<int> TOrderSheet::MapColumns(const TSheetValues& AValues) {
    QList<int> columns;
    for (const QString& word : HeaderWords) {
        int found = 0;
        for (int c = 1; c <= AValues.ColCount() && !found; ++c) {
            if (WithoutSpaces(AValues.Cell(1, c)).contains(word))
                found = c;
        }
        columns.append(found);
    }
    return columns;
}

QList<TOrderRow> TOrderSheet::ExtractRows(const TSheetValues& AValues, const QList<int>& AColumns) {
    QList<TOrderRow> rows;
    rows.reserve(qMax(0, AValues.RowCount() - 1));
    for (int r = 2; r <= AValues.RowCount(); ++r) {
        TOrderRow row;
        for (int f = 0; f < 6 && f < AColumns.size(); ++f)
            row.Fields[f] = AValues.Cell(r, AColumns.at(f));
        rows.append(row);
    }
    return rows;
}

QList<TOrderRow> TOrderSheet::DropBlankRows(const QList<TOrderRow>& ARows) {
    QList<TOrderRow> kept;
    kept.reserve(ARows.size());
    for (const TOrderRow& row : ARows) {
        bool blank = true;
        for (const QString& f : row.Fields)
            blank = blank && WithoutSpaces(f).isEmpty();
        if (!blank)
            kept.append(row);
    }
    return kept;
}

bool TOrderSheet::ParseWhole(const QString& AText, qint64* AValue) {
    const QString t = AText.trimmed();
    if (t.isEmpty())
        return false;
    int i = (t.at(0) == QLatin1Char('-') || t.at(0) == QLatin1Char('+')) ? 1 : 0;
    if (i == t.size())
        return false;
    for (; i < t.size(); ++i)
        if (t.at(i) < QLatin1Char('0') || t.at(i) > QLatin1Char('9'))
            return false;
    bool ok = false;
    const int v = t.toInt(&ok); // sizes are 32-bit integers, as the sheet's users know them
    if (ok && AValue)
        *AValue = v;
    return ok;
}

bool TOrderSheet::Orient(QList<TOrderRow>& ARows) {
    QList<bool> turn;
    turn.reserve(ARows.size());
    for (const TOrderRow& row : ARows) {
        qint64 length = 0, width = 0;
        if (!ParseWhole(row.Fields[Length], &length) || !ParseWhole(row.Fields[Width], &width))
            return false;
        turn.append(length < width);
    }
    for (int i = 0; i < ARows.size(); ++i) {
        if (turn.at(i)) {
            std::swap(ARows[i].Fields[Length], ARows[i].Fields[Width]);
            ARows[i].Fields[Comment] = RotatedRemark;
        }
    }
    return true;
}

QStringList TOrderSheet::InvalidRowLines(const QList<TOrderRow>& ARows) {
    QStringList lines;
    for (int i = 0; i < ARows.size(); ++i) {
        const TOrderRow& row = ARows.at(i);
        bool invalid = false;
        for (int f = Color; f <= Quantity; ++f)
            invalid = invalid || row.Fields[f].isEmpty();
        if (!invalid)
            continue;
        QString line = QStringLiteral("Строка ") + QString::number(i) + QStringLiteral(" | ");
        for (const QString& f : row.Fields)
            line += f + QStringLiteral(" | ");
        lines.append(line);
    }
    return lines;
}

QString TOrderSheet::MaterialWidthText(const QVariant& AWidth) {
    if (AWidth.isNull())
        return QString();
    QString text;
    switch (AWidth.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        text = CellText::Number(AWidth.toDouble());
        break;
    default:
        text = AWidth.toString();
    }
    text = text.trimmed();
    text.remove(QLatin1Char(' '));
    text.remove(QStringLiteral("\r\n"));
    return text;
}

QString TOrderSheet::ColourCodeKey(const QString& ACode) {
    return TColourDirectory::CodeKey(ACode);
}

QString TOrderSheet::RowColourKey(const QString& AText) {
    return WithoutSpaces(AText.toLower());
}
