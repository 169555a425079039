#include "NewOrderDialog.h"

#include "DataModule.h"
#include "Errors.h"
#include "FieldDateEdit.h"
#include "HelpWindow.h"
#include "OrderHeaderStore.h"
#include "Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QVBoxLayout>

TNewOrderDialog::TNewOrderDialog(TDataModule& AData, TPrompts& APrompts, QWidget* AParent)
    : QDialog(AParent), FData(AData), FPrompts(APrompts) {
    setObjectName(QStringLiteral("NewOrderDialog"));
    setProperty(THelpWindow::PageProperty, QStringLiteral("import.html"));
    setWindowTitle(QStringLiteral("Новая заявка"));
    // A fixed frame with a title and a close button (which cancels, as "Отмена" and
    // Escape do); no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Tahoma")));

    auto* heading = new QLabel(QStringLiteral("Параметры заявки:"), this);
    heading->setObjectName(QStringLiteral("Heading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    FDate = new TFieldDateEdit(this);
    FDate->setObjectName(QStringLiteral("OrderDate"));
    FDate->setCalendarPopup(true);
    FDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FNumber = new QLineEdit(this);
    FNumber->setObjectName(QStringLiteral("OrderNumber"));
    FCustomer = new QComboBox(this);
    FCustomer->setObjectName(QStringLiteral("Customer"));
    FCustomer->setEditable(true);
    FCustomer->setInsertPolicy(QComboBox::NoInsert);
    // Names that begin as the typed one are offered below the box, never written into
    // it: finished inline, a typed "ИП Петров" would be saved as "ИП Петрова".
    FCustomer->completer()->setCompletionMode(QCompleter::PopupCompletion);
    FMaxWeight = new QComboBox(this);
    FMaxWeight->setObjectName(QStringLiteral("MaxWeight"));
    FMaxWeight->setEditable(true);
    FMaxWeight->setInsertPolicy(QComboBox::NoInsert);
    // The list offers earlier weights to pick, but never finishes a typed one: with
    // 1000 listed, a typed 100 would otherwise be saved as 1000.
    FMaxWeight->setCompleter(nullptr);
    FMaterial = new QComboBox(this);
    FMaterial->setObjectName(QStringLiteral("Material"));
    FComment = new QLineEdit(this);
    FComment->setObjectName(QStringLiteral("Comment"));
    FSaveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    FSaveButton->setObjectName(QStringLiteral("SaveButton"));
    // Enter saves, Esc cancels, wherever the keyboard is in the dialog.
    FSaveButton->setDefault(true);
    FCancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    FCancelButton->setObjectName(QStringLiteral("CancelButton"));
    FCancelButton->setAutoDefault(false);

    auto* form = new QFormLayout;
    const QList<QPair<const char*, QWidget*>> rows = {
        {"Дата", FDate},         {"№ заявки", FNumber},
        {"Заказчик", FCustomer}, {"Максимально допустимый вес поддона, кг", FMaxWeight},
        {"Материал", FMaterial}, {"Комментарий", FComment}};
    int n = 1;
    for (const auto& [text, box] : rows) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(QStringLiteral("Label%1").arg(n++));
        label->setBuddy(box);
        form->addRow(label, box);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FSaveButton);
    buttons->addWidget(FCancelButton);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(FDate, FNumber);
    setTabOrder(FNumber, FCustomer);
    setTabOrder(FCustomer, FMaxWeight);
    setTabOrder(FMaxWeight, FMaterial);
    setTabOrder(FMaterial, FComment);
    setTabOrder(FComment, FSaveButton);
    setTabOrder(FSaveButton, FCancelButton);

    connect(FSaveButton, &QPushButton::clicked, this, &TNewOrderDialog::OnSaveClicked);
    // Nothing is stored before a save, so leaving changes nothing.
    connect(FCancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

namespace {

// Item data of a material besides its key: its thickness as the workbook reads it.
constexpr int ThicknessRole = Qt::UserRole + 1;

} // namespace

bool TNewOrderDialog::Ask(TOrderHeader& AHeader, const TStoreOrder& AStore) {
    FSaved = false;
    FStore = AStore;
    FSheetThickness = AHeader.SheetThickness;
    // The material is chosen anew for every workbook (see LoadComboData).
    FMaterial->setCurrentIndex(-1);
    const auto forget = qScopeGuard([this] {
        FStore = nullptr;
        FSheetThickness.clear();
    });
    // The command runs under the wait cursor; the user types into the dialog with
    // the ordinary one.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    if (FSaved)
        AHeader = FHeader;
    return FSaved;
}

QString TNewOrderDialog::SelectedMaterialID() const {
    if (FMaterial->currentIndex() < 0)
        return QString();
    return QString::number(FMaterial->currentData().toLongLong());
}

void TNewOrderDialog::showEvent(QShowEvent* AEvent) {
    FSaved = false;
    // Today's date when the dialog opens; a date the user picked stays while the
    // dialog is open, even when a message box over it closes.
    FDate->setDate(QDate::currentDate());
    LoadComboData();
    QDialog::showEvent(AEvent);
}

void TNewOrderDialog::changeEvent(QEvent* AEvent) {
    // Each activation reloads the lists, so customers and weights added meanwhile
    // appear; showing is handled above.
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        try {
            LoadComboData();
        } catch (const EGravelonError& e) {
            FPrompts.Message(this, TPrompts::TKind::Error,
                             QStringLiteral("Не удалось прочитать списки заказчиков, материалов и "
                                            "весов.\n") +
                                 e.Message());
        }
    }
    QDialog::changeEvent(AEvent);
}

void TNewOrderDialog::LoadComboData() {
    const TOrderHeaderStore store(FData);
    const QString customer = FCustomer->currentText();
    const QString weight = FMaxWeight->currentText();
    const QVariant material =
        FMaterial->currentIndex() >= 0 ? FMaterial->currentData() : QVariant();

    FCustomer->clear();
    FCustomer->addItems(store.CustomerNames());
    FCustomer->setCurrentIndex(-1);
    FCustomer->setEditText(customer);

    FMaterial->clear();
    for (const TOrderHeaderStore::TMaterialItem& m : store.MaterialItems()) {
        FMaterial->addItem(m.Text, m.ID);
        FMaterial->setItemData(FMaterial->count() - 1, m.Thickness, ThicknessRole);
    }
    // What the user chose stays; otherwise the material of the workbook's thickness,
    // or the only material there is.
    int chosen = material.isValid() ? FMaterial->findData(material) : -1;
    if (chosen < 0)
        chosen = MaterialForSheet();
    if (chosen < 0 && FMaterial->count() == 1)
        chosen = 0;
    FMaterial->setCurrentIndex(chosen);

    FMaxWeight->clear();
    FMaxWeight->addItems(store.MaxWeights());
    FMaxWeight->setCurrentIndex(-1);
    FMaxWeight->setEditText(weight);
}

int TNewOrderDialog::MaterialForSheet() const {
    if (FSheetThickness.isEmpty())
        return -1;
    int found = -1;
    for (int i = 0; i < FMaterial->count(); ++i) {
        if (FMaterial->itemData(i, ThicknessRole).toString() != FSheetThickness)
            continue;
        // Two materials of one thickness weigh differently: the user picks.
        if (found >= 0)
            return -1;
        found = i;
    }
    return found;
}

bool TNewOrderDialog::MaterialConfirmed() {
    if (FSheetThickness.isEmpty() || FMaterial->currentIndex() < 0)
        return true;
    const QString thickness = FMaterial->currentData(ThicknessRole).toString();
    if (thickness == FSheetThickness)
        return true;
    return FPrompts.Confirm(this, TOrderHeaderStore::ThicknessQuestion(
                                      FSheetThickness, FMaterial->currentText(), thickness)) ==
           TPrompts::TAnswer::Ok;
}

void TNewOrderDialog::FindOrCreateCustomer(TOrderHeader& AHeader) {
    AHeader.CustomerID = TOrderHeaderStore(FData).FindOrCreateCustomer(AHeader.CustomerName);
}

void TNewOrderDialog::Mark(QWidget* ABox, const QColor& AColor) {
    QPalette p = ABox->palette();
    p.setColor(QPalette::Base, AColor);
    p.setColor(QPalette::Button, AColor);
    ABox->setPalette(p);
}

void TNewOrderDialog::OnSaveClicked() {
    QString message;
    int passed = 0;
    const QColor yellow(Qt::yellow);
    if (FNumber->text().isEmpty()) {
        message += QStringLiteral("Не заполнено поле № заявки\n\r");
        Mark(FNumber, yellow);
    } else {
        ++passed;
    }
    if (FCustomer->currentText().isEmpty()) {
        message += QStringLiteral("Не заполнено поле заказчик\n\r");
        Mark(FCustomer, yellow);
    } else {
        ++passed;
    }
    const QString weightProblem = TOrderHeaderStore::MaxWeightProblem(FMaxWeight->currentText());
    if (!weightProblem.isEmpty()) {
        message += weightProblem + QStringLiteral("\n\r");
        Mark(FMaxWeight, yellow);
    } else {
        ++passed;
    }
    if (FMaterial->currentIndex() < 0) {
        message += QStringLiteral("Не выбран материал");
        Mark(FMaterial, yellow);
    } else {
        ++passed;
    }
    if (!message.isEmpty())
        FPrompts.Message(this, TPrompts::TKind::Plain, message);
    if (passed != 4)
        return;
    if (!MaterialConfirmed()) {
        Mark(FMaterial, yellow);
        return;
    }

    for (QWidget* box : {static_cast<QWidget*>(FNumber), static_cast<QWidget*>(FCustomer),
                         static_cast<QWidget*>(FMaxWeight), static_cast<QWidget*>(FMaterial)})
        Mark(box, QColor(Qt::white));

    TOrderHeader header;
    header.Date = FDate->date();
    header.DateText = header.Date.toString(QStringLiteral("dd.MM.yyyy"));
    header.Number = FNumber->text();
    header.CustomerName = FCustomer->currentText();
    header.MaxWeight = FMaxWeight->currentText();
    header.Comment = FComment->text();
    header.MaterialID = SelectedMaterialID();
    header.SheetThickness = FSheetThickness;
    try {
        if (FStore) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
            if (!FStore(header)) {
                // The database refused the positions; the import says so.
                reject();
                return;
            }
        } else {
            FindOrCreateCustomer(header);
            header.OrderID = TOrderHeaderStore(FData).InsertOrder(header);
        }
    } catch (const EDatabaseRetry& e) {
        // Its message says what happened and that trying again will do.
        FPrompts.Message(this, TPrompts::TKind::Error, e.Message());
        return;
    } catch (const EDatabaseError& e) {
        // The dialog stays open. Through the import's store nothing was changed; on
        // its own, a customer added above stays in the directory. The database's own
        // words follow a sentence of ours.
        FPrompts.Message(this, TPrompts::TKind::Error,
                         QStringLiteral("Заявка не сохранена: база данных не приняла запись.\n") +
                             e.Message());
        return;
    } catch (const EGravelonError& e) {
        FPrompts.Message(this, TPrompts::TKind::Error, e.Message());
        return;
    }
    FHeader = header;
    FSaved = true;
    accept();
}

TOrderImportHooks TNewOrderDialog::WindowHooks(QWidget* AWindow, bool AAutoCalculation,
                                               std::function<void(qlonglong)> ARunCalculation,
                                               std::function<void()> AEnableCalculation) {
    TOrderImportHooks h;
    TPrompts* prompts = &FPrompts;
    h.ShowMessage = [prompts, AWindow](TOrderImportHooks::TMessageKind AKind,
                                       const QString& AText) {
        prompts->Message(AWindow,
                         AKind == TOrderImportHooks::TMessageKind::Error ? TPrompts::TKind::Error
                                                                         : TPrompts::TKind::Plain,
                         AText);
    };
    h.ShowReport = [prompts, AWindow](const QString& ACaption, const QString& AText) {
        prompts->ShowText(AWindow, ACaption, AText);
    };
    h.AskOrderHeader = [this](TOrderHeader& AHeader, const TStoreOrder& AStore) {
        return Ask(AHeader, AStore);
    };
    h.AutoCalculation = AAutoCalculation;
    h.RunCalculation = std::move(ARunCalculation);
    h.EnableCalculation = std::move(AEnableCalculation);
    h.DesktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return h;
}
