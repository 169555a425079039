#include "LayoutFileName.h"

#include <QDate>
#include <QFileInfo>

namespace {

// Characters Windows, FAT and macOS refuse in a name, besides the folder separator.
bool Unsafe(QChar AChar) {
    static const QString Refused = QStringLiteral("/\\:*?\"<>|");
    return AChar.unicode() < 0x20 || AChar.unicode() == 0x7f || Refused.contains(AChar);
}

QString DateText(const QVariant& ADate) {
    if (!ADate.isValid() || ADate.isNull())
        return QString();
    if (ADate.typeId() == QMetaType::QDate || ADate.typeId() == QMetaType::QDateTime)
        return ADate.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QDate date = QDate::fromString(ADate.toString().left(10), QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

} // namespace

const QString TLayoutFileName::WorkbookSuffix = QStringLiteral("xlsx");
const QString TLayoutFileName::PdfSuffix = QStringLiteral("pdf");

QString TLayoutFileName::SafePart(const QString& AText) {
    QString s;
    s.reserve(AText.size());
    for (const QChar c : AText)
        s += Unsafe(c) ? QLatin1Char('-') : c;
    s = s.trimmed();
    while (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s.trimmed();
}

QString TLayoutFileName::Proposed(const QString& AOrderNumber, const QVariant& AOrderDate,
                                  int APalletNumber, const QString& ASuffix) {
    QStringList parts;
    parts << (APalletNumber < 0 ? QStringLiteral("Раскладки") : QStringLiteral("Раскладка"));
    const QString number = SafePart(AOrderNumber);
    if (!number.isEmpty())
        parts << number;
    const QString date = DateText(AOrderDate);
    if (!date.isEmpty())
        parts << date;
    if (APalletNumber >= 0)
        parts << QStringLiteral("поддон %1").arg(APalletNumber);
    return parts.join(QLatin1Char(' ')) + QLatin1Char('.') + ASuffix;
}

bool TLayoutFileName::HasSuffix(const QString& AFileName) {
    // What follows the last dot is a suffix when it is a word of letters and digits:
    // the dots of an order number ("З-1.5 2026-12-08") or a date do not make one.
    const QString name = QFileInfo(AFileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot + 1 >= name.size())
        return false;
    bool letter = false;
    for (const QChar c : QStringView(name).mid(dot + 1)) {
        if (!c.isLetterOrNumber())
            return false;
        letter = letter || c.isLetter();
    }
    return letter;
}

QString TLayoutFileName::WithSuffix(const QString& AFileName, const QString& ASuffix) {
    if (AFileName.isEmpty() || HasSuffix(AFileName))
        return AFileName;
    // "раскладки." gets the suffix after its dot, not a second dot.
    return AFileName +
           (AFileName.endsWith(QLatin1Char('.')) ? ASuffix : QLatin1Char('.') + ASuffix);
}

QString TLayoutFileName::WithWorkbookSuffix(const QString& AFileName) {
    return WithSuffix(AFileName, WorkbookSuffix);
}
