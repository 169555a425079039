#include "PictureBox.h"

#include <QFileInfo>
#include <QPainter>

TPictureBox::TPictureBox(Qt::Alignment AAlignment, QWidget* AParent)
    : QWidget(AParent), FAlignment(AAlignment) {
    setAttribute(Qt::WA_TranslucentBackground);
}

bool TPictureBox::LoadFromFile(const QString& AFileName) {
    if (!QFileInfo::exists(AFileName))
        return false;
    QPixmap picture;
    if (!picture.load(AFileName))
        return false;
    SetPicture(picture);
    return true;
}

void TPictureBox::SetPicture(const QPixmap& APicture) {
    FPicture = APicture;
    update();
}

void TPictureBox::paintEvent(QPaintEvent*) {
    if (FPicture.isNull() || width() <= 0 || height() <= 0)
        return;
    const QSize size = FPicture.size().scaled(this->size(), Qt::KeepAspectRatio);
    int x = 0;
    int y = 0;
    if (FAlignment & Qt::AlignHCenter)
        x = (width() - size.width()) / 2;
    else if (FAlignment & Qt::AlignRight)
        x = width() - size.width();
    if (FAlignment & Qt::AlignVCenter)
        y = (height() - size.height()) / 2;
    else if (FAlignment & Qt::AlignBottom)
        y = height() - size.height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(x, y), size), FPicture);
}
