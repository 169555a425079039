#include "WindowParts.h"

#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

QSize TElidedLabel::minimumSizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3,
                 QLabel::minimumSizeHint().height());
}

void TElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    // The whole text is a hover away whenever it does not fit.
    setToolTip(shown == text() ? QString() : text());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

namespace WindowParts {

QLabel* Caption(const QString& AText, const QString& AName, QWidget* AParent) {
    auto* label = new TElidedLabel(AText, AParent);
    label->setObjectName(AName);
    QFont f = AParent->font();
    f.setPixelSize(15);
    f.setBold(true);
    label->setFont(f);
    return label;
}

QHBoxLayout* CaptionRow(QWidget* AParent, const QString& AText, const QString& ACaptionName,
                        const QString& ALabelName, QLabel** ALabel) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(Caption(AText, ACaptionName, AParent));
    *ALabel = Caption(QString(), ALabelName, AParent);
    row->addWidget(*ALabel);
    row->addStretch(1);
    return row;
}

QWidget* GridBox(QWidget* AParent, QLayout* ACaptionRow, QWidget* AGrid) {
    auto* box = new QWidget(AParent);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    v->addLayout(ACaptionRow);
    v->addWidget(AGrid, 1);
    return box;
}

} // namespace WindowParts
