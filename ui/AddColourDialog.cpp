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
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(QStringLiteral("RAL 000 00 00"));
    form->addRow(QStringLiteral("Код цвета"), Edit1);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    form->addRow(QStringLiteral("Название цвета"), Edit2);
    v->addLayout(form);
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    h->addWidget(Button2);
    Button1 = new QPushButton(QStringLiteral("ОК"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    h->addWidget(Button1);
    v->addLayout(h);

    connect(Button1, &QPushButton::clicked, this, &TAddColourDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TAddColourDialog::Button2Click);
}

void TAddColourDialog::Button1Click() {
    // Texts go in as typed; a field of blanks counts as filled.
    if (!Edit1->text().isEmpty() && !Edit2->text().isEmpty()) {
        try {
            FData->ExecSql(QStringLiteral("insert into colors (Code,Name) values\n(") +
                           TSqlDialect::QuotedStr(Edit1->text()) + QLatin1Char(',') +
                           TSqlDialect::QuotedStr(Edit2->text()) + QStringLiteral(");"));
        } catch (const EGravelonError& e) {
            // The dialog stays open with the typed values, so the user can correct them.
            FPrompts->Message(this, TPrompts::TKind::Error, e.Message());
            return;
        }
    }
    Edit1->clear();
    Edit2->clear();
    accept();
}

void TAddColourDialog::Button2Click() {
    Edit1->clear();
    Edit2->clear();
    reject();
}
