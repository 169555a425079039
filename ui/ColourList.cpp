#include "ColourList.h"

#include "DataModule.h"
#include "AddColourDialog.h"
#include "DataGrid.h"
#include "Errors.h"
#include "Prompts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TColourList::TColourList(TDataModule* AData, TPrompts* APrompts, QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      FData(AData), FPrompts(APrompts) {
    setObjectName(QStringLiteral("ColourList"));
    setWindowTitle(QStringLiteral("Справочник цветов"));
    resize(519, 698);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    DBGrid1 = new TDataGrid(QStringLiteral("DBGrid1"),
                            {{QStringLiteral("Code"), QStringLiteral("Код цвета"), 150},
                             {QStringLiteral("name"), QStringLiteral("Название цвета"), 350}},
                            this);
    DBGrid1->SetBoldTitles(true);
    DBGrid1->SetSource(FData->ADOQuery2);
    v->addWidget(DBGrid1, 1);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    bar->setFixedHeight(41);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(6, 4, 6, 4);
    Button3 = new QPushButton(QStringLiteral("+"), bar);
    Button3->setObjectName(QStringLiteral("Button3"));
    QFont plus = Button3->font();
    plus.setPixelSize(21);
    plus.setBold(true);
    Button3->setFont(plus);
    Button3->setToolTip(QStringLiteral("Добавить цвет"));
    Button3->setAutoDefault(false);
    h->addWidget(Button3);
    h->addStretch(1);
    Button2 = new QPushButton(QStringLiteral("OK"), bar);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    h->addWidget(Button2);
    v->addWidget(bar);

    connect(Button3, &QPushButton::clicked, this, &TColourList::Button3Click);
    connect(Button2, &QPushButton::clicked, this, &TColourList::Button2Click);
}

void TColourList::Button3Click() {
    {
        TAddColourDialog dialog(FData, FPrompts, this);
        dialog.exec();
    }
    // Re-read whether or not a colour was added: the new one shows as the last row.
    try {
        FData->ADOQuery2->Close();
        FData->OpenColors();
    } catch (const EGravelonError& e) {
        FPrompts->Message(this, TPrompts::TKind::Error, e.Message());
    }
}

void TColourList::Button2Click() {
    accept();
}
