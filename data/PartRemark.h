#pragma once

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>

// A calculation that divides a position stores the part as a row of its own whose comment
// ends in the remark "(часть позиции N)". The calculation writes these remarks and the
// order's readers (the engines, the positions grid) recognise them by the same rules.
namespace PartRemark {

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

// A stored row of an order as far as telling its parts matters.
struct TStoredRow {
    qint64 Id = 0;
    qint64 Width = 0;
    qint64 Height = 0;
    qint64 ColorId = 0;
    QString Comment;
};

// For each of an order's rows, given in key order, the index of the row it was split
// off, or -1 for a position of the customer's. A part names a row with a smaller key
// (made before it) and shares its size, colour and words; a customer's comment that
// merely ends like a remark rarely does.
inline QList<int> Sources(const QList<TStoredRow>& ARows) {
    QList<QString> own(ARows.size());
    QList<qint64> named(ARows.size(), 0);
    QHash<qint64, int> byId;
    byId.reserve(ARows.size());
    for (int i = 0; i < ARows.size(); ++i) {
        const QString& comment = ARows[i].Comment;
        // Most comments hold no remark: the expressions only for those that may.
        const bool remark = comment.contains(QStringLiteral("(часть позиции"));
        own[i] = remark ? OwnWords(comment) : comment.trimmed();
        named[i] = remark ? SplitOff(comment) : 0;
        byId.insert(ARows[i].Id, i);
    }
    QList<int> sources(ARows.size(), -1);
    for (int i = 0; i < ARows.size(); ++i) {
        const TStoredRow& part = ARows[i];
        const auto it = byId.constFind(named[i]);
        if (named[i] <= 0 || named[i] >= part.Id || it == byId.cend())
            continue;
        const TStoredRow& from = ARows[*it];
        if (from.Width == part.Width && from.Height == part.Height &&
            from.ColorId == part.ColorId && own[*it] == own[i])
            sources[i] = *it;
    }
    return sources;
}

} // namespace PartRemark
