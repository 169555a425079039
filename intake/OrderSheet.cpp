#include "OrderSheet.h"

#include "ColourDirectory.h"

#include "CellText.h"

#include <algorithm>

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
        row.SheetRow = AValues.SheetRow(r);
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

bool TOrderSheet::ParseCount(const QString& AText, qint64* AValue) {
    qint64 v = 0;
    // ParseWhole reads 32-bit values only; a larger one is no count either.
    if (!ParseWhole(AText, &v) || v < 1 || v > MaxCount)
        return false;
    if (AValue)
        *AValue = v;
    return true;
}

QString TOrderSheet::RowProblems(const TOrderRow& ARow) {
    QStringList problems;
    QStringList missing;
    for (int f = Color; f <= Quantity; ++f)
        if (ARow.Fields[f].isEmpty())
            missing << HeaderWords.at(f);
    if (!missing.isEmpty())
        problems << (missing.size() == 1 ? QStringLiteral("не заполнено поле ")
                                         : QStringLiteral("не заполнены поля ")) +
                        missing.join(QStringLiteral(", "));
    for (int f : {Length, Width, Quantity}) {
        const QString& text = ARow.Fields[f];
        if (text.isEmpty() || ParseCount(text))
            continue;
        problems << QStringLiteral("%1 «%2» не целое число от 1 до %3")
                        .arg(HeaderWords.at(f), CellText::Quoted(text))
                        .arg(MaxCount);
    }
    return problems.join(QStringLiteral("; "));
}

bool TOrderSheet::Orient(QList<TOrderRow>& ARows) {
    struct TSizes {
        qint64 Length, Width, Quantity;
    };
    QList<TSizes> sizes;
    sizes.reserve(ARows.size());
    for (const TOrderRow& row : ARows) {
        TSizes s{};
        if (!ParseCount(row.Fields[Length], &s.Length) ||
            !ParseCount(row.Fields[Width], &s.Width) ||
            !ParseCount(row.Fields[Quantity], &s.Quantity))
            return false;
        sizes.append(s);
    }
    for (int i = 0; i < ARows.size(); ++i) {
        const TSizes& s = sizes.at(i);
        TOrderRow& row = ARows[i];
        // Stored as numbers: " 1200" or "+5" reach the integer columns as 1200 and 5.
        row.Fields[Length] = QString::number(qMax(s.Length, s.Width));
        row.Fields[Width] = QString::number(qMin(s.Length, s.Width));
        row.Fields[Quantity] = QString::number(s.Quantity);
        if (s.Length < s.Width)
            row.Fields[Comment] = RotatedRemark;
    }
    return true;
}

QStringList TOrderSheet::InvalidRowLines(const QList<TOrderRow>& ARows,
                                         const QHash<int, QString>& AMore) {
    QStringList lines;
    for (const TOrderRow& row : ARows) {
        QStringList causes{RowProblems(row), AMore.value(row.SheetRow)};
        causes.removeAll(QString());
        const QString problems = causes.join(QStringLiteral("; "));
        if (problems.isEmpty())
            continue;
        QString line =
            QStringLiteral("Строка ") + QString::number(row.SheetRow) + QStringLiteral(" | ");
        for (const QString& f : row.Fields)
            line += f + QStringLiteral(" | ");
        lines.append(line + problems);
    }
    return lines;
}

QString TOrderSheet::RowNumbers(QList<int> ARows) {
    std::sort(ARows.begin(), ARows.end());
    ARows.erase(std::unique(ARows.begin(), ARows.end()), ARows.end());
    QStringList parts;
    for (int i = 0; i < ARows.size();) {
        int j = i;
        while (j + 1 < ARows.size() && ARows.at(j + 1) == ARows.at(j) + 1)
            ++j;
        if (j == i)
            parts << QString::number(ARows.at(i));
        else
            parts << QStringLiteral("%1–%2").arg(ARows.at(i)).arg(ARows.at(j));
        i = j + 1;
    }
    return (ARows.size() == 1 ? QStringLiteral("строка ") : QStringLiteral("строки ")) +
           parts.join(QStringLiteral(", "));
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
