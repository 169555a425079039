#pragma once

#include <QRegularExpression>
#include <QString>

// Rules both calculation engines share, so they cannot drift apart.
namespace CalculationRules {

// Stage loops that cannot make progress (a stack limit no sheet meets) end here quietly
// and the run goes on.
constexpr int DefaultPassLimit = 1000;

// The factor that turns millimetre by millimetre into square metres, as the database
// writes it in the weight statements.
constexpr double SquareMetresPerMm2 = 1e-6;

// Rows a stack of AQuantity sheets takes at APerRow sheets a row: a started row stands
// as high as a full one. The same integer expression as the database evaluates
// ((q + n - 1) / n, cut toward zero); no rows where the sheets per row are unknown.
inline qint64 StartedRows(qint64 AQuantity, qint64 APerRow) {
    return APerRow == 0 ? 0 : (AQuantity + APerRow - 1) / APerRow;
}

// The customer's own words of a position's comment: without the remark of an earlier
// split and the blanks around it.
inline QString OwnWords(const QString& AComment) {
    static const QRegularExpression EarlierRemark(
        QStringLiteral("\\s*\\(часть позиции \\d+\\)\\s*$"));
    QString own = AComment;
    own.remove(EarlierRemark);
    return own.trimmed();
}

// The position a part was split off, as its comment's remark names it; 0 when the
// comment ends in no such remark.
inline qint64 SplitOff(const QString& AComment) {
    static const QRegularExpression Remark(QStringLiteral("\\(часть позиции (\\d+)\\)\\s*$"));
    const QRegularExpressionMatch m = Remark.match(AComment);
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

// The comment of a part split off position APositionId, whose own words are AOwnWords.
inline QString PartComment(const QString& AOwnWords, qint64 APositionId) {
    const QString remark = QStringLiteral("(часть позиции %1)").arg(APositionId);
    return AOwnWords.isEmpty() ? remark : AOwnWords + QLatin1Char(' ') + remark;
}

// The comment of a part split off position APositionId whose comment is AComment: the
// customer's own words are kept, without the remark of an earlier split.
inline QString SplitRemark(const QString& AComment, qint64 APositionId) {
    return PartComment(OwnWords(AComment), APositionId);
}

} // namespace CalculationRules
