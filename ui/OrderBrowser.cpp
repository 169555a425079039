#include "OrderBrowser.h"

#include "DataGrid.h"
#include "DataModule.h"
#include "FieldDateEdit.h"
#include "SqlRun.h"
#include "WindowParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The search buttons carry a magnifying glass and no caption.
QIcon SearchIcon() {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1d, 0x35, 0x57), 2.4));
    p.setBrush(QColor(0xdc, 0xe9, 0xf5));
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    p.setPen(QPen(QColor(0x1d, 0x35, 0x57), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
    p.end();
    return QIcon(pm);
}

QToolButton* SearchButton(const QString& AName, const QString& AToolTip, QWidget* AParent) {
    auto* b = new QToolButton(AParent);
    b->setObjectName(AName);
    b->setIcon(SearchIcon());
    b->setIconSize(QSize(20, 20));
    b->setToolTip(AToolTip);
    b->setAutoRaise(false);
    return b;
}

QFrame* Box(const QString& AName, const QString& ACaption, const QString& ACaptionName,
            QWidget* AParent) {
    auto* box = new QFrame(AParent);
    box->setObjectName(AName);
    box->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(6, 4, 6, 6);
    v->addWidget(WindowParts::Caption(ACaption, ACaptionName, box));
    return box;
}

} // namespace

TOrderBrowser::TOrderBrowser(TDataModule* AData, QWidget* AParent)
    : QWidget(AParent), FData(AData) {
    setObjectName(QStringLiteral("LeftPanel"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 2, 0, 0);
    v->setSpacing(4);

    QFrame* search = Box(QStringLiteral("SearchPanel"), QStringLiteral("Поиск заявок"),
                         QStringLiteral("SearchCaption"), this);
    auto* sh = new QHBoxLayout;
    sh->addWidget(new QLabel(QStringLiteral("по дате:"), search));
    FSearchDate = new TFieldDateEdit(QDate::currentDate(), search);
    FSearchDate->setObjectName(QStringLiteral("SearchDate"));
    FSearchDate->setCalendarPopup(true);
    FSearchDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FSearchDate->Entered = [this] { emit SearchByDateRequested(); };
    sh->addWidget(FSearchDate);
    FSearchByDateButton = SearchButton(QStringLiteral("SearchByDateButton"),
                                       QStringLiteral("Найти заявки за эту дату"), search);
    sh->addWidget(FSearchByDateButton);
    sh->addSpacing(16);
    sh->addWidget(new QLabel(QStringLiteral("по номеру:"), search));
    FSearchNumber = new QLineEdit(search);
    FSearchNumber->setObjectName(QStringLiteral("SearchNumber"));
    sh->addWidget(FSearchNumber, 1);
    FSearchByNumberButton =
        SearchButton(QStringLiteral("SearchByNumberButton"),
                     QStringLiteral("Найти заявки, номер которых содержит этот текст"), search);
    sh->addWidget(FSearchByNumberButton);
    static_cast<QVBoxLayout*>(search->layout())->addLayout(sh);
    v->addWidget(search);

    QFrame* add = Box(QStringLiteral("AddPanel"), QStringLiteral("Добавление заявок"),
                      QStringLiteral("AddCaption"), this);
    auto* ah = new QHBoxLayout;
    FOrderFilePath = new QLineEdit(add);
    FOrderFilePath->setObjectName(QStringLiteral("OrderFilePath"));
    FOrderFilePath->setEnabled(false);
    ah->addWidget(FOrderFilePath, 1);
    FNewOrderButton = new QPushButton(QStringLiteral("Новая заявка"), add);
    FNewOrderButton->setObjectName(QStringLiteral("NewOrderButton"));
    FNewOrderButton->setToolTip(QStringLiteral("Загрузить заявку заказчика из книги (Ctrl+N)"));
    ah->addWidget(FNewOrderButton);
    static_cast<QVBoxLayout*>(add->layout())->addLayout(ah);
    v->addWidget(add);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("OrderSplitter"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);

    FOrdersGrid = new TDataGrid(
        QStringLiteral("OrdersGrid"),
        {{QStringLiteral("ID"), QStringLiteral("№"), 26},
         {QStringLiteral("Name"), QStringLiteral("Заказчик"), 130},
         {QStringLiteral("Number"), QStringLiteral("Номер заявки"), 88},
         {QStringLiteral("Date"), QStringLiteral("Дата"), 0, true},
         {QStringLiteral("Comment"), QStringLiteral("Комментарий"), 114},
         {QStringLiteral("MaxW"), QStringLiteral("Предельный вес поддона, кг"), 156},
         {QStringLiteral("Name_1"), QStringLiteral("Материал"), 71},
         {QStringLiteral("MaxH"), QStringLiteral("Предельное число листов по высоте"), 0},
         {QStringLiteral("Weight1m2"), QStringLiteral("Плотность кг/м2"), 0},
         {QStringLiteral("Width"), QStringLiteral("Толщина, мм"), 0}},
        this);
    FOrdersGrid->SetSource(FData->Orders());
    auto* row1 = new QHBoxLayout;
    row1->addWidget(WindowParts::Caption(QStringLiteral("Список заявок"),
                                         QStringLiteral("OrdersCaption"), this));
    row1->addStretch(1);
    split->addWidget(WindowParts::GridBox(split, row1, FOrdersGrid));

    FPositionsGrid =
        new TDataGrid(QStringLiteral("PositionsGrid"),
                      {{QStringLiteral("ID"), QStringLiteral("№"), 0},
                       {QStringLiteral("ColorCode"), QStringLiteral("Код цвета"), 0},
                       {QStringLiteral("Color"), QStringLiteral("Цвет"), 80},
                       {QStringLiteral("Width"), QStringLiteral("Длина"), 0},
                       {QStringLiteral("Height"), QStringLiteral("Ширина"), 0},
                       {QStringLiteral("Quantity"), QStringLiteral("Количество"), 0},
                       {TPositionsModel::OrderedColumn(), QStringLiteral("Заказано"), 0},
                       {QStringLiteral("Comment"), QStringLiteral("Комментарий"), 138}},
                      this);
    FPositionsGrid->SetSource(FData->Positions());
    QHBoxLayout* row2 =
        WindowParts::CaptionRow(this, QStringLiteral("Заявка "), QStringLiteral("OrderCaption"),
                                QStringLiteral("OrderNumberLabel"), &FOrderNumberLabel);
    split->addWidget(WindowParts::GridBox(split, row2, FPositionsGrid));
    v->addWidget(split, 1);

    connect(FSearchByDateButton, &QToolButton::clicked, this,
            &TOrderBrowser::SearchByDateRequested);
    connect(FSearchByNumberButton, &QToolButton::clicked, this,
            &TOrderBrowser::SearchByNumberRequested);
    connect(FSearchNumber, &QLineEdit::returnPressed, this,
            &TOrderBrowser::SearchByNumberRequested);
    connect(FNewOrderButton, &QPushButton::clicked, this, &TOrderBrowser::NewOrderRequested);
    connect(FOrdersGrid, &TDataGrid::CellClicked, this, &TOrderBrowser::OrderRowChosen);
    connect(FOrdersGrid, &TDataGrid::CurrentRowMoved, this, &TOrderBrowser::OrderRowChosen);
}

bool TOrderBrowser::LoadOrders(const TOrderFilter& AFilter) {
    FData->OpenOrders(AFilter);
    if (OrderCount() == 0)
        return false;
    FOrdersGrid->SelectTopRow();
    return true;
}

int TOrderBrowser::OrderCount() const {
    return FData->Orders()->RowCount();
}

QVariant TOrderBrowser::CurrentOrderValue(const QString& AField) const {
    return FData->Orders()->Value(FOrdersGrid->CurrentRow(), AField);
}

TShownOrder TOrderBrowser::CurrentOrder() const {
    TShownOrder order;
    order.Id = SqlRun::KeyValue(CurrentOrderValue(QStringLiteral("ID")));
    order.Date = CurrentOrderValue(QStringLiteral("Date"));
    order.Number = CurrentOrderValue(QStringLiteral("Number")).toString();
    order.RowLimit = CurrentOrderValue(QStringLiteral("MaxH")).toInt();
    order.WeightLimit = CurrentOrderValue(QStringLiteral("MaxW"));
    order.Weight1m2 = CurrentOrderValue(QStringLiteral("Weight1m2")).toDouble();
    return order;
}

void TOrderBrowser::ShowPositions(const QString& AOrderId, const QString& ANumber) {
    FData->Positions()->Close();
    FData->OpenPositions(AOrderId);
    FOrderNumberLabel->setText(ANumber);
}

void TOrderBrowser::ClearPositions() {
    FData->Positions()->Close();
    FOrderNumberLabel->clear();
}

bool TOrderBrowser::PositionsShown() const {
    return OrderCount() > 0 && FData->Positions()->IsOpen();
}

QDate TOrderBrowser::PickerDate() const {
    return FSearchDate->date();
}

void TOrderBrowser::SetPickerDate(const QDate& ADate) {
    FSearchDate->setDate(ADate);
}

QString TOrderBrowser::SearchText() const {
    return FSearchNumber->text();
}

void TOrderBrowser::SetOrderFile(const QString& AFile) {
    FOrderFilePath->setText(AFile);
}

QList<QWidget*> TOrderBrowser::CommandsLockedByRun() const {
    return {FSearchByDateButton, FSearchByNumberButton, FNewOrderButton};
}
