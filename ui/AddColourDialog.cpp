#include "AddColourDialog.h"

#include "DataModule.h"
#include "Errors.h"
#include "Prompts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAddColourDialog::TAddColourDialog(TDataModule* AData, TPrompts* APrompts, QWidget* AParent)
    : QDialog(AParent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FData(AData), FPrompts(APrompts) {
    setObjectName(QStringLiteral("AddColourDialog"));
    setWindowTitle(QStringLiteral("Новый цвет"));
    resize(323, 116);
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FCodeEdit = new QLineEdit(this);
    FCodeEdit->setObjectName(QStringLiteral("CodeEdit"));
    FCodeEdit->setPlaceholderText(QStringLiteral("RAL 000 00 00"));
    form->addRow(QStringLiteral("Код цвета"), FCodeEdit);
    FNameEdit = new QLineEdit(this);
    FNameEdit->setObjectName(QStringLiteral("NameEdit"));
    form->addRow(QStringLiteral("Название цвета"), FNameEdit);
    v->addLayout(form);
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    FCancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    FCancelButton->setObjectName(QStringLiteral("CancelButton"));
    FCancelButton->setAutoDefault(false);
    h->addWidget(FCancelButton);
    FAddButton = new QPushButton(QStringLiteral("ОК"), this);
    FAddButton->setObjectName(QStringLiteral("AddButton"));
    FAddButton->setDefault(true);
    h->addWidget(FAddButton);
    v->addLayout(h);

    connect(FAddButton, &QPushButton::clicked, this, &TAddColourDialog::OnAddClicked);
    connect(FCancelButton, &QPushButton::clicked, this, &TAddColourDialog::OnCancelClicked);
}

void TAddColourDialog::OnAddClicked() {
    // Texts go in as typed; a field of blanks counts as filled.
    if (!FCodeEdit->text().isEmpty() && !FNameEdit->text().isEmpty()) {
        try {
            FData->ExecSql(QStringLiteral("insert into colors (Code,Name) values\n(") +
                           TSqlDialect::QuotedStr(FCodeEdit->text()) + QLatin1Char(',') +
                           TSqlDialect::QuotedStr(FNameEdit->text()) + QStringLiteral(");"));
        } catch (const EGravelonError& e) {
            // The dialog stays open with the typed values, so the user can correct them.
            FPrompts->Message(this, TPrompts::TKind::Error, e.Message());
            return;
        }
    }
    FCodeEdit->clear();
    FNameEdit->clear();
    accept();
}

void TAddColourDialog::OnCancelClicked() {
    FCodeEdit->clear();
    FNameEdit->clear();
    reject();
}
