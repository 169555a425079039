#include "MainWindow.h"

#include "DataGrid.h"
#include "DataModule.h"
#include "Errors.h"
#include "FieldDateEdit.h"
#include "HelpWindow.h"
#include "IniFile.h"
#include "NewOrderDialog.h"
#include "PictureBox.h"
#include "ProgramVersion.h"
#include "Prompts.h"
#include "Settings.h"
#include "SettingsLocation.h"
#include "StartupServices.h"
#include "TrayController.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QFont CaptionFont(const QFont& ABase) {
    QFont f = ABase;
    f.setPixelSize(15);
    f.setBold(true);
    return f;
}

QFont PanelFont() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(16);
    return f;
}

QLabel* Caption(const QString& AText, const QString& AName, QWidget* AParent) {
    auto* label = new QLabel(AText, AParent);
    label->setObjectName(AName);
    label->setFont(CaptionFont(AParent->font()));
    return label;
}

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

// A grid with its caption row above it.
QWidget* GridBox(QWidget* AParent, QLayout* ACaptionRow, QWidget* AGrid) {
    auto* box = new QWidget(AParent);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    v->addLayout(ACaptionRow);
    v->addWidget(AGrid, 1);
    return box;
}

} // namespace

TMainWindow::TMainWindow(TDataModule* AData, TPrompts* APrompts, const QString& ASettingsPath,
                         TStartupServices* AStartup, bool ATrayAvailable, QWidget* AParent)
    : QMainWindow(AParent), FData(AData), FPrompts(APrompts), FSettingsPath(ASettingsPath),
      FStartup(AStartup) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(ProgramVersion::WindowTitle());
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    const QString icon = QDir(GravelonSettings::ProgramFolder())
                             .filePath(QStringLiteral("resources/gravelon_icon.png"));
    if (QFileInfo::exists(icon))
        setWindowIcon(QIcon(icon));
    FOpenFile = [](const QString& AFile) { QDesktopServices::openUrl(QUrl::fromLocalFile(AFile)); };
    CreateWidgets();
    FTray = new TTrayController(this, ATrayAvailable, this);
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::CreateWidgets() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralPanel"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto* outer = new QSplitter(Qt::Vertical, central);
    outer->setObjectName(QStringLiteral("MainSplitter"));
    outer->setHandleWidth(7);
    outer->setChildrenCollapsible(false);
    outer->addWidget(CreateTopBar());

    auto* work = new QSplitter(Qt::Horizontal, outer);
    work->setObjectName(QStringLiteral("WorkSplitter"));
    work->setHandleWidth(7);
    work->setChildrenCollapsible(false);
    work->addWidget(CreateLeftColumn());
    work->addWidget(CreateRightColumn());
    work->setStretchFactor(0, 0);
    work->setStretchFactor(1, 1);
    work->setSizes({632, 900});
    outer->addWidget(work);
    outer->setStretchFactor(0, 0);
    outer->setStretchFactor(1, 1);
    outer->setSizes({120, 700});
    v->addWidget(outer);
    setCentralWidget(central);

    FStatusBar = statusBar();
    FStatusBar->setObjectName(QStringLiteral("StatusBar"));
    FStatusBar->setSizeGripEnabled(true);
    FStatusLabel = new QLabel(FStatusBar);
    FStatusLabel->setObjectName(QStringLiteral("StatusText"));
    FStatusBar->addWidget(FStatusLabel, 1);

    CreateProgressPanel();
    CreateMenu();
    LoadBanner();
}

QWidget* TMainWindow::CreateTopBar() {
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("TopPanel"));
    top->setMinimumHeight(60);
    auto* h = new QHBoxLayout(top);
    h->setContentsMargins(0, 0, 8, 0);
    FBanner = new TPictureBox(Qt::AlignLeft | Qt::AlignVCenter, top);
    FBanner->setObjectName(QStringLiteral("Banner"));
    FBanner->setMinimumHeight(60);
    h->addWidget(FBanner, 1);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 8, 0, 8);
    FAutoCalculation =
        new QCheckBox(QStringLiteral("производить расчет автоматически. при загрузке заявки"), top);
    FAutoCalculation->setObjectName(QStringLiteral("AutoCalculation"));
    right->addWidget(FAutoCalculation, 0, Qt::AlignRight);
    FDensePacking = new QCheckBox(QStringLiteral("Плотная укладка"), top);
    FDensePacking->setObjectName(QStringLiteral("DensePacking"));
    FDensePacking->setToolTip(QStringLiteral("Укладывать листы каждого цвета на как можно меньшее "
                                             "число поддонов"));
    right->addWidget(FDensePacking, 0, Qt::AlignRight);
    FCalculateButton = new QPushButton(QStringLiteral("Расчет поддонов"), top);
    FCalculateButton->setObjectName(QStringLiteral("CalculateButton"));
    FCalculateButton->setMinimumSize(150, 34);
    FCalculateButton->setEnabled(false);
    // A click leaves the keyboard where it was: the button is disabled at once and
    // would otherwise hand the focus to whatever comes next.
    FCalculateButton->setFocusPolicy(Qt::TabFocus);
    right->addWidget(FCalculateButton, 0, Qt::AlignRight);
    right->addStretch(1);
    h->addLayout(right);

    connect(FAutoCalculation, &QCheckBox::clicked, this, &TMainWindow::OnAutoCalculationToggled);
    connect(FDensePacking, &QCheckBox::clicked, this, &TMainWindow::OnDensePackingToggled);
    connect(FCalculateButton, &QPushButton::clicked, this, &TMainWindow::OnCalculateClicked);
    return top;
}

QWidget* TMainWindow::CreateLeftColumn() {
    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("LeftPanel"));
    auto* v = new QVBoxLayout(left);
    v->setContentsMargins(4, 2, 0, 0);
    v->setSpacing(4);

    auto* search = new QFrame(left);
    search->setObjectName(QStringLiteral("SearchPanel"));
    search->setFrameShape(QFrame::StyledPanel);
    auto* sv = new QVBoxLayout(search);
    sv->setContentsMargins(6, 4, 6, 6);
    sv->addWidget(Caption(QStringLiteral("Поиск заявок"), QStringLiteral("SearchCaption"), search));
    auto* sh = new QHBoxLayout;
    sh->addWidget(new QLabel(QStringLiteral("по дате:"), search));
    FSearchDate = new TFieldDateEdit(QDate::currentDate(), search);
    FSearchDate->setObjectName(QStringLiteral("SearchDate"));
    FSearchDate->setCalendarPopup(true);
    FSearchDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FSearchDate->Entered = [this] { SearchByDate(); };
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
    sv->addLayout(sh);
    v->addWidget(search);

    auto* add = new QFrame(left);
    add->setObjectName(QStringLiteral("AddPanel"));
    add->setFrameShape(QFrame::StyledPanel);
    auto* av = new QVBoxLayout(add);
    av->setContentsMargins(6, 4, 6, 6);
    av->addWidget(Caption(QStringLiteral("Добавление заявок"), QStringLiteral("AddCaption"), add));
    auto* ah = new QHBoxLayout;
    FOrderFilePath = new QLineEdit(add);
    FOrderFilePath->setObjectName(QStringLiteral("OrderFilePath"));
    FOrderFilePath->setEnabled(false);
    ah->addWidget(FOrderFilePath, 1);
    FNewOrderButton = new QPushButton(QStringLiteral("Новая заявка"), add);
    FNewOrderButton->setObjectName(QStringLiteral("NewOrderButton"));
    ah->addWidget(FNewOrderButton);
    av->addLayout(ah);
    v->addWidget(add);

    auto* split = new QSplitter(Qt::Vertical, left);
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
        left);
    FOrdersGrid->SetSource(FData->QApplicates);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(
        Caption(QStringLiteral("Список заявок"), QStringLiteral("OrdersCaption"), left));
    row1->addStretch(1);
    split->addWidget(GridBox(split, row1, FOrdersGrid));

    FPositionsGrid =
        new TDataGrid(QStringLiteral("PositionsGrid"),
                      {{QStringLiteral("ID"), QStringLiteral("№"), 0},
                       {QStringLiteral("ColorCode"), QStringLiteral("Код цвета"), 0},
                       {QStringLiteral("Color"), QStringLiteral("Цвет"), 80},
                       {QStringLiteral("Width"), QStringLiteral("Длина"), 0},
                       {QStringLiteral("Height"), QStringLiteral("Ширина"), 0},
                       {QStringLiteral("Quantity"), QStringLiteral("Количество"), 0},
                       {QStringLiteral("Comment"), QStringLiteral("Комментарий"), 138}},
                      left);
    FPositionsGrid->SetSource(FData->QApplicPos);
    auto* row2 = new QHBoxLayout;
    row2->setSpacing(0);
    row2->addWidget(Caption(QStringLiteral("Заявка "), QStringLiteral("OrderCaption"), left));
    FOrderNumberLabel = Caption(QString(), QStringLiteral("OrderNumberLabel"), left);
    row2->addWidget(FOrderNumberLabel);
    row2->addStretch(1);
    split->addWidget(GridBox(split, row2, FPositionsGrid));
    v->addWidget(split, 1);

    connect(FSearchByDateButton, &QToolButton::clicked, this, &TMainWindow::SearchByDate);
    connect(FSearchByNumberButton, &QToolButton::clicked, this, &TMainWindow::SearchByNumber);
    connect(FSearchNumber, &QLineEdit::returnPressed, this, &TMainWindow::SearchByNumber);
    connect(FNewOrderButton, &QPushButton::clicked, this, &TMainWindow::OnNewOrderClicked);
    connect(FOrdersGrid, &TDataGrid::CellClicked, this, &TMainWindow::OnOrderClicked);
    connect(FOrdersGrid, &TDataGrid::CurrentRowMoved, this, &TMainWindow::OnOrderClicked);
    return left;
}

QWidget* TMainWindow::CreateRightColumn() {
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("PalletSplitter"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);

    FPalletsGrid = new TDataGrid(QStringLiteral("PalletsGrid"),
                                 {{QStringLiteral("Number"), QStringLiteral("№"), 71},
                                  {QStringLiteral("Length"), QStringLiteral("Длина"), 0},
                                  {QStringLiteral("Width"), QStringLiteral("Ширина"), 0},
                                  {QStringLiteral("clrname"), QStringLiteral("Цвет"), 97},
                                  {QStringLiteral("clrcode"), QStringLiteral("Код Цвета"), 79},
                                  {QStringLiteral("W"), QStringLiteral("Вес, кг."), 74},
                                  {QStringLiteral("h"), QStringLiteral("Высота, листов"), 115}},
                                 split);
    FPalletsGrid->SetSource(FData->QPallets);
    auto* row3 = new QHBoxLayout;
    row3->setSpacing(0);
    row3->addWidget(Caption(QStringLiteral("Список поддонов по заявке "),
                            QStringLiteral("PalletsCaption"), split));
    FPalletsOrderLabel = Caption(QString(), QStringLiteral("PalletsOrderLabel"), split);
    row3->addWidget(FPalletsOrderLabel);
    row3->addStretch(1);
    FPrintAllButton = new QPushButton(QStringLiteral("Распечатать все раскладки"), split);
    FPrintAllButton->setObjectName(QStringLiteral("PrintAllButton"));
    row3->addWidget(FPrintAllButton);
    AddPaperButtons(row3, false);
    split->addWidget(GridBox(split, row3, FPalletsGrid));

    FContentsGrid =
        new TDataGrid(QStringLiteral("ContentsGrid"),
                      {{QStringLiteral("L"), QStringLiteral("Длина"), 0},
                       {QStringLiteral("B"), QStringLiteral("Ширина"), 0},
                       {QStringLiteral("QtyInRow"), QStringLiteral("К-во в 1 ряду"), 87},
                       {QStringLiteral("Height"), QStringLiteral("Ширина 1 лист"), 85},
                       {QStringLiteral("Quantity"), QStringLiteral("Количество"), 67},
                       {QStringLiteral("Comment"), QStringLiteral("Комментарий"), 95},
                       {QStringLiteral("s"), QStringLiteral("Площадь, м2"), 80},
                       {QStringLiteral("hgt"), QStringLiteral("Шт. в высоту"), 79},
                       {QStringLiteral("wgt"), QStringLiteral("Вес, кг"), 0}},
                      split);
    FContentsGrid->SetSource(FData->QSolutions);
    auto* row4 = new QHBoxLayout;
    row4->setSpacing(0);
    row4->addWidget(
        Caption(QStringLiteral("Содержимое поддона "), QStringLiteral("ContentsCaption"), split));
    FPalletNumberLabel = Caption(QString(), QStringLiteral("PalletNumberLabel"), split);
    row4->addWidget(FPalletNumberLabel);
    row4->addStretch(1);
    FPrintPalletButton = new QPushButton(QStringLiteral("Распечатать раскладку"), split);
    FPrintPalletButton->setObjectName(QStringLiteral("PrintPalletButton"));
    row4->addWidget(FPrintPalletButton);
    AddPaperButtons(row4, true);
    split->addWidget(GridBox(split, row4, WithStackView(FContentsGrid)));

    connect(FPrintAllButton, &QPushButton::clicked, this, &TMainWindow::OnPrintAllClicked);
    connect(FPrintPalletButton, &QPushButton::clicked, this, &TMainWindow::OnPrintPalletClicked);
    connect(FPalletsGrid, &TDataGrid::CellClicked, this, &TMainWindow::OnPalletClicked);
    connect(FPalletsGrid, &TDataGrid::CurrentRowMoved, this, &TMainWindow::OnPalletClicked);
    return split;
}

void TMainWindow::CreateProgressPanel() {
    FProgressPanel = new QFrame(this);
    FProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    FProgressPanel->setFrameShape(QFrame::Panel);
    FProgressPanel->setFrameShadow(QFrame::Raised);
    FProgressPanel->setLineWidth(2);
    FProgressPanel->setAutoFillBackground(true);
    FProgressPanel->setFixedSize(440, 127);
    auto* v = new QVBoxLayout(FProgressPanel);
    v->setContentsMargins(5, 5, 5, 5);
    v->setSpacing(2);
    FProgressStage = new QLabel(QStringLiteral("Выгрузка раскладок"), FProgressPanel);
    FProgressStage->setObjectName(QStringLiteral("ProgressStage"));
    FProgressStage->setFont(PanelFont());
    v->addWidget(FProgressStage);
    FProgressBar = new QProgressBar(FProgressPanel);
    FProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    FProgressBar->setFixedHeight(27);
    FProgressBar->setTextVisible(false);
    v->addWidget(FProgressBar);
    FProgressTime = new QLabel(QStringLiteral("Прошло времени: 0 мин."), FProgressPanel);
    FProgressTime->setObjectName(QStringLiteral("ProgressTime"));
    FProgressTime->setFont(PanelFont());
    v->addWidget(FProgressTime);
    FCancelCalculationButton = new QPushButton(QStringLiteral("Прервать"), FProgressPanel);
    FCancelCalculationButton->setObjectName(QStringLiteral("CancelCalculationButton"));
    FCancelCalculationButton->setFont(PanelFont());
    FCancelCalculationButton->setFixedHeight(31);
    v->addWidget(FCancelCalculationButton);
    FProgressPanel->hide();
    connect(FCancelCalculationButton, &QPushButton::clicked, this,
            &TMainWindow::OnCancelCalculationClicked);
}

void TMainWindow::CreateMenu() {
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    FSettingsMenu = menuBar()->addMenu(QStringLiteral("Настройки"));
    FSettingsMenu->setObjectName(QStringLiteral("SettingsMenu"));
    auto add = [this](QMenu* AMenu, const QString& AName, const QString& AText,
                      void (TMainWindow::*ASlot)()) {
        QAction* a = AMenu->addAction(AText);
        a->setObjectName(AName);
        connect(a, &QAction::triggered, this, ASlot);
    };
    add(FSettingsMenu, QStringLiteral("ConnectionSettingsAction"),
        QStringLiteral("Настройки подключения к БД "), &TMainWindow::OnConnectionSettings);
    add(FSettingsMenu, QStringLiteral("ColourDirectoryAction"), QStringLiteral("Справочник цветов"),
        &TMainWindow::OnColourDirectory);
    add(FSettingsMenu, QStringLiteral("ClearArchiveAction"), QStringLiteral("Очистить архив"),
        &TMainWindow::OnClearArchive);
    FHelpMenu = menuBar()->addMenu(QStringLiteral("Помощь"));
    FHelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    add(FHelpMenu, QStringLiteral("ManualAction"), QStringLiteral("Справка"),
        &TMainWindow::OnManual);
    add(FHelpMenu, QStringLiteral("AboutAction"), QStringLiteral("О программе"),
        &TMainWindow::OnAbout);
}

void TMainWindow::LoadBanner() {
    // Beside the program; a build tree keeps it two folders up.
    const QDir dir(GravelonSettings::ProgramFolder());
    QString file = dir.filePath(QStringLiteral("resources/gravelon_banner.jpg"));
    if (!QFileInfo::exists(file))
        file = QDir::cleanPath(dir.filePath(QStringLiteral("../../resources/gravelon_banner.jpg")));
    FBanner->LoadFromFile(file);
}

void TMainWindow::RunCommand(const std::function<void()>& AFunc) {
    try {
        AFunc();
    } catch (const EGravelonError& e) {
        ShowError(e.Message());
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()));
    }
}

void TMainWindow::ShowError(const QString& AText) {
    FPrompts->Message(this, TPrompts::TKind::Error, AText);
}

QString TMainWindow::StatusText() const {
    return FStatusLabel->text();
}

void TMainWindow::SetStatusText(const QString& AText) {
    FStatusLabel->setText(AText);
}

void TMainWindow::showEvent(QShowEvent* AEvent) {
    QMainWindow::showEvent(AEvent);
    if (!FShown) {
        FShown = true;
        // The left column starts 632 pixels wide whatever the window's size.
        if (auto* work = findChild<QSplitter*>(QStringLiteral("WorkSplitter")))
            work->setSizes({632, qMax(200, width() - 632 - work->handleWidth())});
        OnFirstShown();
    }
}

void TMainWindow::changeEvent(QEvent* AEvent) {
    QMainWindow::changeEvent(AEvent);
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow())
        OnActivated();
    else if (AEvent->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        FTray->WindowMinimised();
}

void TMainWindow::OnFirstShown() {
    FSearchDate->setDate(QDate::currentDate());
    RunCommand([this] {
        const TIniFile ini(FSettingsPath);
        if (!ini.Exists()) {
            FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFound(FSettingsPath));
            return;
        }
        // Exactly "false" clears the box; any other value ticks it, and the tick is
        // stored back as a click would store it.
        const bool checked = GravelonSettings::ReadAutoCalc(ini) != QLatin1String("false");
        if (FAutoCalculation->isChecked() != checked) {
            FAutoCalculation->setChecked(checked);
            OnAutoCalculationToggled();
        }
        FDensePacking->setChecked(GravelonSettings::ReadDensePacking(ini));
    });
    SearchByDate();
    // The order list, not the date picker, has the keyboard once the window is up.
    QTimer::singleShot(0, FOrdersGrid, qOverload<>(&QWidget::setFocus));
}

void TMainWindow::OnActivated() {
    if (FStartup)
        FStartup->HideStartup();
    // A fresh New-order dialog for the next import, so nothing typed for the last
    // order is offered again. The dialog of an import still running (its calculation
    // lets events through) stays until the import has ended.
    if (!FImportRunning) {
        delete FNewOrderDialog;
        FNewOrderDialog = new TNewOrderDialog(*FData, *FPrompts, this);
    }
}

void TMainWindow::closeEvent(QCloseEvent* AEvent) {
    if (FCalcRunning) {
        // The run holds the connection inside its transaction: it is stopped first and
        // the window closes as soon as it has rolled back.
        FCloseAfterRun = true;
        OnCancelCalculationClicked();
        AEvent->ignore();
        return;
    }
    if (FHelp)
        FHelp->close();
    FTray->Icon()->hide();
    AEvent->accept();
    if (FStartup)
        FStartup->CloseStartup();
}

void TMainWindow::OnAutoCalculationToggled() {
    RunCommand([this] {
        const TIniFile ini(FSettingsPath);
        if (!ini.Exists()) {
            FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFound(FSettingsPath));
            return;
        }
        GravelonSettings::WriteAutoCalc(ini, FAutoCalculation->isChecked());
    });
}

void TMainWindow::OnDensePackingToggled() {
    RunCommand([this] {
        const TIniFile ini(FSettingsPath);
        if (!ini.Exists()) {
            FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFound(FSettingsPath));
            return;
        }
        GravelonSettings::WriteDensePacking(ini, FDensePacking->isChecked());
    });
}
