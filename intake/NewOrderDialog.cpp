#include "NewOrderDialog.h"

#include "DataModule.h"
#include "Errors.h"
#include "OrderHeaderStore.h"
#include "Prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

TNewOrderDialog::TNewOrderDialog(TDataModule& AData, TPrompts& APrompts, QWidget* AParent)
    : QDialog(AParent), FData(AData), FPrompts(APrompts) {
    setObjectName(QStringLiteral("FNewOrderDialog"));
    setWindowTitle(QStringLiteral("Новая заявка"));
    // A fixed frame with a title only: no close, minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(QFont(QStringLiteral("Tahoma")));

    auto* heading = new QLabel(QStringLiteral("Параметры заявки:"), this);
    heading->setObjectName(QStringLiteral("Label7"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    DZayavki = new QDateEdit(this);
    DZayavki->setObjectName(QStringLiteral("DZayavki"));
    DZayavki->setCalendarPopup(true);
    DZayavki->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    NZayavki = new QLineEdit(this);
    NZayavki->setObjectName(QStringLiteral("NZayavki"));
    Zakazchik = new QComboBox(this);
    Zakazchik->setObjectName(QStringLiteral("Zakazchik"));
    Zakazchik->setEditable(true);
    Zakazchik->setInsertPolicy(QComboBox::NoInsert);
    MaxWeight = new QComboBox(this);
    MaxWeight->setObjectName(QStringLiteral("MaxWeight"));
    MaxWeight->setEditable(true);
    MaxWeight->setInsertPolicy(QComboBox::NoInsert);
    Material = new QComboBox(this);
    Material->setObjectName(QStringLiteral("Material"));
    Comment = new QLineEdit(this);
    Comment->setObjectName(QStringLiteral("Comment"));
    Button1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);

    auto* form = new QFormLayout;
    const QList<QPair<const char*, QWidget*>> rows = {
        {"Дата", DZayavki},      {"№ заявки", NZayavki},
        {"Заказчик", Zakazchik}, {"Максимально допустимый вес поддона, кг", MaxWeight},
        {"Материал", Material},  {"Комментарий", Comment}};
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
    layout->addWidget(Button1, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(DZayavki, NZayavki);
    setTabOrder(NZayavki, Zakazchik);
    setTabOrder(Zakazchik, MaxWeight);
    setTabOrder(MaxWeight, Material);
    setTabOrder(Material, Comment);
    setTabOrder(Comment, Button1);

    connect(Button1, &QPushButton::clicked, this, &TNewOrderDialog::Button1Click);
}

bool TNewOrderDialog::Ask(TOrderHeader& AHeader) {
    FSaved = false;
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
    if (Material->currentIndex() < 0)
        return QString();
    return QString::number(Material->currentData().toLongLong());
}

void TNewOrderDialog::showEvent(QShowEvent* AEvent) {
    FSaved = false;
    // Today's date when the dialog opens; a date the user picked stays while the
    // dialog is open, even when a message box over it closes.
    DZayavki->setDate(QDate::currentDate());
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
            FPrompts.Message(this, TPrompts::TKind::Error, e.Message());
        }
    }
    QDialog::changeEvent(AEvent);
}

void TNewOrderDialog::closeEvent(QCloseEvent* AEvent) {
    // The header must be recorded before the import can go on.
    if (!FSaved)
        AEvent->ignore();
    else
        QDialog::closeEvent(AEvent);
}

void TNewOrderDialog::reject() {}

void TNewOrderDialog::LoadComboData() {
    const TOrderHeaderStore store(FData);
    const QString customer = Zakazchik->currentText();
    const QString weight = MaxWeight->currentText();
    const QVariant material = Material->currentIndex() >= 0 ? Material->currentData() : QVariant();

    Zakazchik->clear();
    Zakazchik->addItems(store.CustomerNames());
    Zakazchik->setCurrentIndex(-1);
    Zakazchik->setEditText(customer);

    Material->clear();
    for (const TOrderHeaderStore::TMaterialItem& m : store.MaterialItems())
        Material->addItem(m.Text, m.ID);
    if (Material->count() == 1)
        Material->setCurrentIndex(0);
    else
        Material->setCurrentIndex(material.isValid() ? Material->findData(material) : -1);

    MaxWeight->clear();
    MaxWeight->addItems(store.MaxWeights());
    MaxWeight->setCurrentIndex(-1);
    MaxWeight->setEditText(weight);
}

void TNewOrderDialog::FindOrCreateCustomer() {
    OrderHeader.CustomerID =
        TOrderHeaderStore(FData).FindOrCreateCustomer(OrderHeader.CustomerName);
}

void TNewOrderDialog::Mark(QWidget* ABox, const QColor& AColor) {
    QPalette p = ABox->palette();
    p.setColor(QPalette::Base, AColor);
    p.setColor(QPalette::Button, AColor);
    ABox->setPalette(p);
}

void TNewOrderDialog::Button1Click() {
    QString message;
    int passed = 0;
    const QColor yellow(Qt::yellow);
    if (NZayavki->text().isEmpty()) {
        message += QStringLiteral("Не заполнено поле № заявки\n\r");
        Mark(NZayavki, yellow);
    } else {
        ++passed;
    }
    if (Zakazchik->currentText().isEmpty()) {
        message += QStringLiteral("Не заполнено поле заказчик\n\r");
        Mark(Zakazchik, yellow);
    } else {
        ++passed;
    }
    if (MaxWeight->currentText().isEmpty()) {
        message += QStringLiteral("Не указан максимальный вес поддона\n\r");
        Mark(MaxWeight, yellow);
    } else {
        ++passed;
    }
    if (Material->currentIndex() < 0) {
        message += QStringLiteral("Не выбран материал");
        Mark(Material, yellow);
    } else {
        ++passed;
    }
    if (!message.isEmpty())
        FPrompts.Message(this, TPrompts::TKind::Plain, message);
    if (passed != 4)
        return;

    for (QWidget* box : {static_cast<QWidget*>(NZayavki), static_cast<QWidget*>(Zakazchik),
                         static_cast<QWidget*>(MaxWeight), static_cast<QWidget*>(Material)})
        Mark(box, QColor(Qt::white));

    TOrderHeader header;
    header.Date = DZayavki->date();
    header.DateText = header.Date.toString(QStringLiteral("dd.MM.yyyy"));
    header.Number = NZayavki->text();
    header.CustomerName = Zakazchik->currentText();
    header.MaxWeight = MaxWeight->currentText();
    header.Comment = Comment->text();
    header.MaterialID = SelectedMaterialID();
    OrderHeader = header;
    try {
        FindOrCreateCustomer();
        header.CustomerID = OrderHeader.CustomerID;
        header.OrderID = TOrderHeaderStore(FData).InsertOrder(header);
    } catch (const EGravelonError& e) {
        // The dialog stays open; a customer added above stays in the directory.
        FPrompts.Message(this, TPrompts::TKind::Error, e.Message());
        return;
    }
    OrderHeader = header;
    FHeader = header;
    FSaved = true;
    accept();
}

TOrderImportHooks TNewOrderDialog::WindowHooks(QWidget* AWindow, bool AAutoCalculation,
                                      std::function<void()> ARunCalculation,
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
    h.AskOrderHeader = [this](TOrderHeader& AHeader) { return Ask(AHeader); };
    h.AutoCalculation = AAutoCalculation;
    h.RunCalculation = std::move(ARunCalculation);
    h.EnableCalculation = std::move(AEnableCalculation);
    h.DesktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    h.TerminateApplication = [] {
        // Queued: the program ends when the running command has returned to the loop.
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    };
    return h;
}
