#include "ColourList.h"

#include "AddColourDialog.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "Errors.h"
#include "HelpWindow.h"
#include "Prompts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TColourList::TColourList(TDataModule* AData, TPrompts* APrompts, QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      FData(AData), FPrompts(APrompts) {
    setObjectName(QStringLiteral("ColourList"));
    setProperty(THelpWindow::PageProperty, QStringLiteral("colors.html"));
    setWindowTitle(QStringLiteral("Справочник цветов"));
    resize(519, 698);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    FColoursGrid = new TDataGrid(QStringLiteral("ColoursGrid"),
                                 {{QStringLiteral("Code"), QStringLiteral("Код цвета"), 150},
                                  {QStringLiteral("name"), QStringLiteral("Название цвета"), 350}},
                                 this);
    FColoursGrid->SetBoldTitles(true);
    FColoursGrid->SetSource(FData->Colours());
    v->addWidget(FColoursGrid, 1);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ButtonBar"));
    bar->setFixedHeight(41);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(6, 4, 6, 4);
    FAddColourButton = new QPushButton(QStringLiteral("+"), bar);
    FAddColourButton->setObjectName(QStringLiteral("AddColourButton"));
    QFont plus = FAddColourButton->font();
    plus.setPixelSize(21);
    plus.setBold(true);
    FAddColourButton->setFont(plus);
    FAddColourButton->setToolTip(QStringLiteral("Добавить цвет"));
    FAddColourButton->setAutoDefault(false);
    h->addWidget(FAddColourButton);
    h->addStretch(1);
    FCloseButton = new QPushButton(QStringLiteral("OK"), bar);
    FCloseButton->setObjectName(QStringLiteral("CloseButton"));
    FCloseButton->setAutoDefault(false);
    h->addWidget(FCloseButton);
    v->addWidget(bar);

    connect(FAddColourButton, &QPushButton::clicked, this, &TColourList::OnAddColourClicked);
    connect(FCloseButton, &QPushButton::clicked, this, &TColourList::OnCloseClicked);
}

void TColourList::OnAddColourClicked() {
    {
        TAddColourDialog dialog(FData, FPrompts, this);
        dialog.exec();
    }
    // Re-read whether or not a colour was added: the new one shows as the last row.
    try {
        FData->Colours()->Close();
        FData->OpenColours();
    } catch (const EGravelonError& e) {
        FPrompts->Message(this, TPrompts::TKind::Error, e.Message());
    }
}

void TColourList::OnCloseClicked() {
    accept();
}
