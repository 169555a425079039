#include "AddColourDialog.h"

#include "ColourDirectory.h"
#include "DataModule.h"
#include "Errors.h"
#include "HelpWindow.h"
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
    setProperty(THelpWindow::PageProperty, QStringLiteral("colors.html"));
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
    // Nothing typed: nothing to add, and nothing is lost by closing.
    if (!(FCodeEdit->text().trimmed().isEmpty() && FNameEdit->text().trimmed().isEmpty())) {
        QString refused;
        try {
            refused = TColourDirectory(*FData).Add(FCodeEdit->text(), FNameEdit->text());
        } catch (const EGravelonError& e) {
            // The dialog stays open with the typed values, so the user can correct them.
            FPrompts->Message(this, TPrompts::TKind::Error,
                              QStringLiteral("Цвет не добавлен: ") + e.Message());
            return;
        }
        if (!refused.isEmpty()) {
            FPrompts->Message(this, TPrompts::TKind::Warning, refused);
            QLineEdit* field =
                FCodeEdit->text().trimmed().isEmpty() || !FNameEdit->text().trimmed().isEmpty()
                    ? FCodeEdit
                    : FNameEdit;
            field->setFocus();
            field->selectAll();
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
