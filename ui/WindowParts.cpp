#include "WindowParts.h"

#include <QLabel>
#include <QVBoxLayout>

namespace WindowParts {

QLabel* Caption(const QString& AText, const QString& AName, QWidget* AParent) {
    auto* label = new QLabel(AText, AParent);
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
