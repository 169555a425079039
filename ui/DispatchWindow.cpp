#include "DispatchWindow.h"

#include "DataModule.h"
#include "Errors.h"
#include "HelpWindow.h"
#include "Prompts.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Ground and text of each answer: read from across the gate, not only by its words.
struct TToneColours {
    const char* Ground;
    const char* Text;
    const char* Name; // the verdict's "tone" property, for whoever checks it
};
const TToneColours Tones[] = {{"#eceff1", "#263238", "neutral"},
                              {"#2e7d32", "#ffffff", "good"},
                              {"#ffb300", "#000000", "repeated"},
                              {"#c62828", "#ffffff", "refused"}};

const QColor LoadedRow(0xc8, 0xe6, 0xc9);

QString Time(const QString& ALoadedAt) {
    const QDateTime at = QDateTime::fromString(ALoadedAt, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!at.isValid())
        return ALoadedAt;
    return at.date() == QDate::currentDate() ? at.toString(QStringLiteral("HH:mm"))
                                             : at.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

} // namespace

TDispatchWindow::TDispatchWindow(TDataModule* AData, TPrompts* APrompts, QWidget* AParent)
    : QWidget(AParent, Qt::Window), FData(AData), FPrompts(APrompts), FDispatch(*AData) {
    setObjectName(QStringLiteral("DispatchWindow"));
    setWindowTitle(QStringLiteral("Отгрузка"));
    setProperty(THelpWindow::PageProperty, QStringLiteral("dispatch.html"));
    resize(640, 560);
    auto* v = new QVBoxLayout(this);

    auto* scanRow = new QHBoxLayout;
    auto* scanCaption = new QLabel(QStringLiteral("Код поддона:"), this);
    FScan = new QLineEdit(this);
    FScan->setObjectName(QStringLiteral("ScanEdit"));
    FScan->setPlaceholderText(QStringLiteral("отсканируйте этикетку поддона"));
    FScan->setToolTip(QStringLiteral("Сканер вводит код поддона (GRV-…) и Enter; код можно "
                                     "набрать и вручную"));
    QFont big = FScan->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    FScan->setFont(big);
    scanCaption->setBuddy(FScan);
    scanRow->addWidget(scanCaption);
    scanRow->addWidget(FScan, 1);
    v->addLayout(scanRow);

    FVerdict = new QLabel(this);
    FVerdict->setObjectName(QStringLiteral("DispatchVerdict"));
    FVerdict->setWordWrap(true);
    FVerdict->setAlignment(Qt::AlignCenter);
    FVerdict->setMinimumHeight(90);
    QFont verdictFont = font();
    verdictFont.setPointSizeF(verdictFont.pointSizeF() * 1.6);
    verdictFont.setBold(true);
    FVerdict->setFont(verdictFont);
    FVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(FVerdict);

    auto* orderRow = new QHBoxLayout;
    FOrderLabel = new QLabel(this);
    FOrderLabel->setObjectName(QStringLiteral("DispatchOrderLabel"));
    FCounter = new QLabel(this);
    FCounter->setObjectName(QStringLiteral("DispatchCounter"));
    QFont counterFont = font();
    counterFont.setPointSizeF(counterFont.pointSizeF() * 1.4);
    counterFont.setBold(true);
    FCounter->setFont(counterFont);
    orderRow->addWidget(FOrderLabel, 1);
    orderRow->addWidget(FCounter);
    v->addLayout(orderRow);

    FPallets = new QTableWidget(0, 4, this);
    FPallets->setObjectName(QStringLiteral("DispatchPallets"));
    FPallets->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Код"),
                                         QStringLiteral("Погружен"),
                                         QStringLiteral("Рабочее место")});
    FPallets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FPallets->setSelectionBehavior(QAbstractItemView::SelectRows);
    FPallets->setSelectionMode(QAbstractItemView::SingleSelection);
    FPallets->verticalHeader()->hide();
    FPallets->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    v->addWidget(FPallets, 1);

    auto* buttons = new QHBoxLayout;
    FUndo = new QPushButton(QStringLiteral("Снять отметку о погрузке…"), this);
    FUndo->setObjectName(QStringLiteral("UndoLoadButton"));
    FUndo->setToolTip(QStringLiteral("Поддон, выбранный в списке, снова не погружен"));
    FOtherOrder = new QPushButton(QStringLiteral("Другая заявка"), this);
    FOtherOrder->setObjectName(QStringLiteral("OtherOrderButton"));
    FOtherOrder->setToolTip(QStringLiteral("Начать погрузку другой заявки: ее назовет "
                                           "следующий отсканированный поддон"));
    buttons->addWidget(FUndo);
    buttons->addStretch(1);
    buttons->addWidget(FOtherOrder);
    v->addLayout(buttons);

    connect(FScan, &QLineEdit::returnPressed, this, &TDispatchWindow::OnScanEntered);
    connect(FUndo, &QPushButton::clicked, this, &TDispatchWindow::OnUndoClicked);
    connect(FOtherOrder, &QPushButton::clicked, this, &TDispatchWindow::OnOtherOrderClicked);
    ShowOrder({});
    Tell(TTone::Neutral, QStringLiteral("Отсканируйте первый поддон: он назовет заявку, "
                                        "которая грузится"));
}

void TDispatchWindow::Open() {
    show();
    raise();
    activateWindow();
    FScan->clear();
    FScan->setFocus(Qt::OtherFocusReason);
}

void TDispatchWindow::Tell(TTone ATone, const QString& AText) {
    const TToneColours& c = Tones[int(ATone)];
    FVerdict->setText(AText);
    FVerdict->setProperty("tone", QString::fromLatin1(c.Name));
    FVerdict->setStyleSheet(
        QStringLiteral("QLabel { background: %1; color: %2; border-radius: 6px; padding: 8px; }")
            .arg(QLatin1String(c.Ground), QLatin1String(c.Text)));
    // What is wrong must be heard from the truck, too.
    if (ATone == TTone::Refused || ATone == TTone::Repeated)
        QApplication::beep();
}

void TDispatchWindow::ShowOrder(const TDispatchOrder& AOrder) {
    FOrder = AOrder;
    FOrderLabel->setText(
        AOrder.Id == 0 ? QStringLiteral("Заявка не выбрана")
                       : QStringLiteral("Заявка %1 — %2").arg(AOrder.Number, AOrder.Customer));
    FCounter->setText(AOrder.Id == 0 ? QString() : AOrder.Counter());
    FPallets->setRowCount(int(AOrder.Pallets.size()));
    for (int r = 0; r < AOrder.Pallets.size(); ++r) {
        const TDispatchPallet& p = AOrder.Pallets[r];
        const QStringList cells = {QString::number(p.Number), PalletCode::Of(p.Id),
                                   p.Loaded() ? Time(p.LoadedAt) : QStringLiteral("нет"),
                                   p.Workstation};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, p.Id);
            if (p.Loaded())
                item->setBackground(LoadedRow);
            FPallets->setItem(r, c, item);
        }
    }
    FUndo->setEnabled(AOrder.LoadedCount() > 0);
    FOtherOrder->setEnabled(AOrder.Id != 0);
}

void TDispatchWindow::Reload() {
    if (FOrder.Id != 0)
        ShowOrder(FDispatch.Status(FOrder.Id));
}

void TDispatchWindow::RunGuarded(const std::function<void()>& AAction) {
    try {
        AAction();
    } catch (const EGravelonError& e) {
        Tell(TTone::Refused, QStringLiteral("Отметка не сохранена: ") + e.Message());
    }
}

void TDispatchWindow::OnScanEntered() {
    const QString code = FScan->text();
    FScan->clear();
    Scan(code);
}

void TDispatchWindow::Scan(const QString& ACode) {
    if (ACode.trimmed().isEmpty())
        return;
    RunGuarded([&] {
        const TScanVerdict v = FDispatch.Scan(ACode, FOrder.Id);
        switch (v.Outcome) {
        case TScanOutcome::Loaded:
            ShowOrder(v.Order);
            Tell(TTone::Good, v.Message);
            emit MarksChanged(v.Order.Id);
            break;
        case TScanOutcome::AlreadyLoaded:
            ShowOrder(v.Order);
            Tell(TTone::Repeated, v.Message);
            break;
        default:
            // The list stays the order being loaded; another workstation may have
            // loaded some of it meanwhile.
            Reload();
            Tell(TTone::Refused, v.Message);
            break;
        }
    });
    FScan->setFocus(Qt::OtherFocusReason);
}

void TDispatchWindow::OnUndoClicked() {
    const int row = FPallets->currentRow();
    if (row < 0 || row >= FOrder.Pallets.size() || !FOrder.Pallets[row].Loaded()) {
        FPrompts->Message(this, TPrompts::TKind::Plain,
                          QStringLiteral("Выберите в списке погруженный поддон"));
        return;
    }
    const TDispatchPallet pallet = FOrder.Pallets[row];
    if (FPrompts->Confirm(this, QStringLiteral("Снять отметку о погрузке с поддона %1 заявки %2?")
                                    .arg(pallet.Number)
                                    .arg(FOrder.Number)) != TPrompts::TAnswer::Ok)
        return;
    RunGuarded([&] {
        FDispatch.Undo(pallet.Id);
        Reload();
        Tell(TTone::Neutral, QStringLiteral("Поддон %1 заявки %2 снова не погружен. %3")
                                 .arg(pallet.Number)
                                 .arg(FOrder.Number, FOrder.Counter()));
        emit MarksChanged(FOrder.Id);
    });
    FScan->setFocus(Qt::OtherFocusReason);
}

void TDispatchWindow::OnOtherOrderClicked() {
    ShowOrder({});
    Tell(TTone::Neutral, QStringLiteral("Отсканируйте первый поддон другой заявки"));
    FScan->setFocus(Qt::OtherFocusReason);
}
