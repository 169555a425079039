#include "StackView.h"

#include "StackDrawing.h"

#include <QPainter>

TStackView::TStackView(QWidget* AParent) : QWidget(AParent) {
    setObjectName(QStringLiteral("StackView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TStackView::SetStack(std::optional<TPalletStack> AStack) {
    FStack = std::move(AStack);
    update();
}

QRectF TStackView::DrawingBox() const {
    return QRectF(rect()).adjusted(6, 4, -6, -4);
}

QFont TStackView::LabelFont() const {
    QFont f = font();
    f.setPixelSize(11);
    return f;
}

void TStackView::paintEvent(QPaintEvent*) {
    if (!FStack)
        return;
    QPainter p(this);
    TStackDrawing(*FStack, LabelFont()).Paint(p, DrawingBox());
}
