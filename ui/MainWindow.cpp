#include "MainWindow.h"

#include "DataModule.h"
#include "DataGrid.h"
#include "Errors.h"
#include "HelpWindow.h"
#include "IniFile.h"
#include "PictureBox.h"
#include "Prompts.h"
#include "Settings.h"
#include "SettingsLocation.h"
#include "StartupServices.h"
#include "TrayController.h"
#include "NewOrderDialog.h"

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
    setWindowTitle(QStringLiteral("Гравелон 1.0"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    const QString icon = QDir(GravelonSettings::ProgramFolder())
                             .filePath(QStringLiteral("resources/gravelon_icon.png"));
    if (QFileInfo::exists(icon))
        setWindowIcon(QIcon(icon));
    FOpenFile = [](const QString& AFile) { QDesktopServices::openUrl(QUrl::fromLocalFile(AFile)); };
    FormCreate();
    FTray = new TTrayController(this, ATrayAvailable, this);
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::FormCreate() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralPanel"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto* outer = new QSplitter(Qt::Vertical, central);
    outer->setObjectName(QStringLiteral("Splitter1"));
    outer->setHandleWidth(7);
    outer->setChildrenCollapsible(false);
    outer->addWidget(CreateTopBar());

    auto* work = new QSplitter(Qt::Horizontal, outer);
    work->setObjectName(QStringLiteral("Splitter2"));
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

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    FStatusLabel = new QLabel(StatusBar1);
    FStatusLabel->setObjectName(QStringLiteral("StatusText"));
    StatusBar1->addWidget(FStatusLabel, 1);

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
    BannerImage = new TPictureBox(Qt::AlignLeft | Qt::AlignVCenter, top);
    BannerImage->setObjectName(QStringLiteral("BannerImage"));
    BannerImage->setMinimumHeight(60);
    h->addWidget(BannerImage, 1);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 8, 0, 8);
    CheckBox1 =
        new QCheckBox(QStringLiteral("производить расчет автоматически. при загрузке заявки"), top);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    right->addWidget(CheckBox1, 0, Qt::AlignRight);
    Button3 = new QPushButton(QStringLiteral("Расчет поддонов"), top);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setMinimumSize(150, 34);
    Button3->setEnabled(false);
    // A click leaves the keyboard where it was: the button is disabled at once and
    // would otherwise hand the focus to whatever comes next.
    Button3->setFocusPolicy(Qt::TabFocus);
    right->addWidget(Button3, 0, Qt::AlignRight);
    right->addStretch(1);
    h->addLayout(right);

    connect(CheckBox1, &QCheckBox::clicked, this, &TMainWindow::CheckBox1Click);
    connect(Button3, &QPushButton::clicked, this, &TMainWindow::Button3Click);
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
    DateTimeZayavki = new QDateEdit(QDate::currentDate(), search);
    DateTimeZayavki->setObjectName(QStringLiteral("DateTimeZayavki"));
    DateTimeZayavki->setCalendarPopup(true);
    DateTimeZayavki->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    sh->addWidget(DateTimeZayavki);
    BitBtn1 =
        SearchButton(QStringLiteral("BitBtn1"), QStringLiteral("Найти заявки за эту дату"), search);
    sh->addWidget(BitBtn1);
    sh->addSpacing(16);
    sh->addWidget(new QLabel(QStringLiteral("по номеру:"), search));
    NomerZayavki = new QLineEdit(search);
    NomerZayavki->setObjectName(QStringLiteral("NomerZayavki"));
    sh->addWidget(NomerZayavki, 1);
    BitBtn2 =
        SearchButton(QStringLiteral("BitBtn2"),
                     QStringLiteral("Найти заявки, номер которых содержит этот текст"), search);
    sh->addWidget(BitBtn2);
    sv->addLayout(sh);
    v->addWidget(search);

    auto* add = new QFrame(left);
    add->setObjectName(QStringLiteral("AddPanel"));
    add->setFrameShape(QFrame::StyledPanel);
    auto* av = new QVBoxLayout(add);
    av->setContentsMargins(6, 4, 6, 6);
    av->addWidget(Caption(QStringLiteral("Добавление заявок"), QStringLiteral("AddCaption"), add));
    auto* ah = new QHBoxLayout;
    PathZayavki = new QLineEdit(add);
    PathZayavki->setObjectName(QStringLiteral("PathZayavki"));
    PathZayavki->setEnabled(false);
    ah->addWidget(PathZayavki, 1);
    FNewOrderButton = new QPushButton(QStringLiteral("Новая заявка"), add);
    FNewOrderButton->setObjectName(QStringLiteral("NewOrderButton"));
    ah->addWidget(FNewOrderButton);
    av->addLayout(ah);
    v->addWidget(add);

    auto* split = new QSplitter(Qt::Vertical, left);
    split->setObjectName(QStringLiteral("Splitter3"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);

    cxGrid1 = new TDataGrid(
        QStringLiteral("cxGrid1"),
        {{QStringLiteral("ID"), QStringLiteral("№"), 26},
         {QStringLiteral("Name"), QStringLiteral("Заказчик"), 130},
         {QStringLiteral("Number"), QStringLiteral("Номер заявки"), 88},
         {QStringLiteral("Date"), QStringLiteral("Дата"), 0},
         {QStringLiteral("Comment"), QStringLiteral("Комментарий"), 114},
         {QStringLiteral("MaxW"), QStringLiteral("Предельный вес поддона, кг"), 156},
         {QStringLiteral("Name_1"), QStringLiteral("Материал"), 71},
         {QStringLiteral("MaxH"), QStringLiteral("Предельное число листов по высоте"), 0},
         {QStringLiteral("Weight1m2"), QStringLiteral("Плотность кг/м2"), 0},
         {QStringLiteral("Width"), QStringLiteral("Толщина, мм"), 0}},
        left);
    cxGrid1->SetSource(FData->QApplicates);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(
        Caption(QStringLiteral("Список заявок"), QStringLiteral("OrdersCaption"), left));
    row1->addStretch(1);
    split->addWidget(GridBox(split, row1, cxGrid1));

    cxGrid2 = new TDataGrid(QStringLiteral("cxGrid2"),
                            {{QStringLiteral("ID"), QStringLiteral("№"), 0},
                             {QStringLiteral("ColorCode"), QStringLiteral("Код цвета"), 0},
                             {QStringLiteral("Color"), QStringLiteral("Цвет"), 80},
                             {QStringLiteral("Width"), QStringLiteral("Длина"), 0},
                             {QStringLiteral("Height"), QStringLiteral("Ширина"), 0},
                             {QStringLiteral("Quantity"), QStringLiteral("Количество"), 0},
                             {QStringLiteral("Comment"), QStringLiteral("Комментарий"), 138}},
                            left);
    cxGrid2->SetSource(FData->QApplicPos);
    auto* row2 = new QHBoxLayout;
    row2->setSpacing(0);
    row2->addWidget(Caption(QStringLiteral("Заявка "), QStringLiteral("OrderCaption"), left));
    Label7 = Caption(QString(), QStringLiteral("Label7"), left);
    row2->addWidget(Label7);
    row2->addStretch(1);
    split->addWidget(GridBox(split, row2, cxGrid2));
    v->addWidget(split, 1);

    connect(BitBtn1, &QToolButton::clicked, this, &TMainWindow::BitBtn1Click);
    connect(BitBtn2, &QToolButton::clicked, this, &TMainWindow::BitBtn2Click);
    connect(NomerZayavki, &QLineEdit::returnPressed, this, &TMainWindow::BitBtn2Click);
    connect(FNewOrderButton, &QPushButton::clicked, this, &TMainWindow::OnNewOrderClicked);
    connect(cxGrid1, &TDataGrid::CellClicked, this, &TMainWindow::cxGrid1CellClick);
    return left;
}

QWidget* TMainWindow::CreateRightColumn() {
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("Splitter4"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);

    cxGrid3 = new TDataGrid(QStringLiteral("cxGrid3"),
                            {{QStringLiteral("Number"), QStringLiteral("№"), 71},
                             {QStringLiteral("Length"), QStringLiteral("Длина"), 0},
                             {QStringLiteral("Width"), QStringLiteral("Ширина"), 0},
                             {QStringLiteral("clrname"), QStringLiteral("Цвет"), 97},
                             {QStringLiteral("clrcode"), QStringLiteral("Код Цвета"), 79},
                             {QStringLiteral("W"), QStringLiteral("Вес, кг."), 74},
                             {QStringLiteral("h"), QStringLiteral("Высота, листов"), 115}},
                            split);
    cxGrid3->SetSource(FData->QPallets);
    auto* row3 = new QHBoxLayout;
    row3->setSpacing(0);
    row3->addWidget(Caption(QStringLiteral("Список поддонов по заявке "),
                            QStringLiteral("PalletsCaption"), split));
    Label1 = Caption(QString(), QStringLiteral("Label1"), split);
    row3->addWidget(Label1);
    row3->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("Распечатать все раскладки"), split);
    Button1->setObjectName(QStringLiteral("Button1"));
    row3->addWidget(Button1);
    split->addWidget(GridBox(split, row3, cxGrid3));

    cxGrid4 = new TDataGrid(QStringLiteral("cxGrid4"),
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
    cxGrid4->SetSource(FData->QSolutions);
    auto* row4 = new QHBoxLayout;
    row4->setSpacing(0);
    row4->addWidget(
        Caption(QStringLiteral("Содержимое поддона "), QStringLiteral("ContentsCaption"), split));
    Label3 = Caption(QString(), QStringLiteral("Label3"), split);
    row4->addWidget(Label3);
    row4->addStretch(1);
    Button2 = new QPushButton(QStringLiteral("Распечатать раскладку"), split);
    Button2->setObjectName(QStringLiteral("Button2"));
    row4->addWidget(Button2);
    split->addWidget(GridBox(split, row4, cxGrid4));

    connect(Button1, &QPushButton::clicked, this, &TMainWindow::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TMainWindow::Button2Click);
    connect(cxGrid3, &TDataGrid::CellClicked, this, &TMainWindow::cxGrid3CellClick);
    return split;
}

void TMainWindow::CreateProgressPanel() {
    Panel17 = new QFrame(this);
    Panel17->setObjectName(QStringLiteral("Panel17"));
    Panel17->setFrameShape(QFrame::Panel);
    Panel17->setFrameShadow(QFrame::Raised);
    Panel17->setLineWidth(2);
    Panel17->setAutoFillBackground(true);
    Panel17->setFixedSize(440, 127);
    auto* v = new QVBoxLayout(Panel17);
    v->setContentsMargins(5, 5, 5, 5);
    v->setSpacing(2);
    Label13 = new QLabel(QStringLiteral("Выгрузка раскладок"), Panel17);
    Label13->setObjectName(QStringLiteral("Label13"));
    Label13->setFont(PanelFont());
    v->addWidget(Label13);
    ProgressBar1 = new QProgressBar(Panel17);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(27);
    ProgressBar1->setTextVisible(false);
    v->addWidget(ProgressBar1);
    Label14 = new QLabel(QStringLiteral("Прошло времени: 0 мин."), Panel17);
    Label14->setObjectName(QStringLiteral("Label14"));
    Label14->setFont(PanelFont());
    v->addWidget(Label14);
    Button4 = new QPushButton(QStringLiteral("Прервать"), Panel17);
    Button4->setObjectName(QStringLiteral("Button4"));
    Button4->setFont(PanelFont());
    Button4->setFixedHeight(31);
    v->addWidget(Button4);
    Panel17->hide();
    connect(Button4, &QPushButton::clicked, this, &TMainWindow::Button4Click);
}

void TMainWindow::CreateMenu() {
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    FSettingsMenu = menuBar()->addMenu(QStringLiteral("Настройки"));
    FSettingsMenu->setObjectName(QStringLiteral("SettingsMenu"));
    auto add = [this](QMenu* AMenu, const QString& AName, const QString& AText,
                      void (TMainWindow::*ASlot)()) {
        QAction* a = AMenu->addAction(AText);
        a->setObjectName(AName);
        connect(a, &QAction::triggered, this, ASlot);
    };
    add(FSettingsMenu, QStringLiteral("N6"), QStringLiteral("Настройки подключения к БД "),
        &TMainWindow::N6Click);
    add(FSettingsMenu, QStringLiteral("N5"), QStringLiteral("Справочник цветов"), &TMainWindow::N5Click);
    add(FSettingsMenu, QStringLiteral("N7"), QStringLiteral("Очистить архив"), &TMainWindow::N7Click);
    FHelpMenu = menuBar()->addMenu(QStringLiteral("Помощь"));
    FHelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    add(FHelpMenu, QStringLiteral("N4"), QStringLiteral("Справка"), &TMainWindow::N4Click);
    add(FHelpMenu, QStringLiteral("N1"), QStringLiteral("О программе"), &TMainWindow::N1Click);
}

void TMainWindow::LoadBanner() {
    // Beside the program; a build tree keeps it two folders up.
    const QDir dir(GravelonSettings::ProgramFolder());
    QString file = dir.filePath(QStringLiteral("resources/gravelon_banner.jpg"));
    if (!QFileInfo::exists(file))
        file = QDir::cleanPath(dir.filePath(QStringLiteral("../../resources/gravelon_banner.jpg")));
    BannerImage->LoadFromFile(file);
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
        if (auto* work = findChild<QSplitter*>(QStringLiteral("Splitter2")))
            work->setSizes({632, qMax(200, width() - 632 - work->handleWidth())});
        FormShow();
    }
}

void TMainWindow::changeEvent(QEvent* AEvent) {
    QMainWindow::changeEvent(AEvent);
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    else if (AEvent->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        FTray->WindowMinimised();
}

void TMainWindow::FormShow() {
    DateTimeZayavki->setDate(QDate::currentDate());
    RunCommand([this] {
        const TIniFile ini(FSettingsPath);
        if (!ini.Exists()) {
            FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFoundMessage);
            return;
        }
        // Exactly "false" clears the box; any other value ticks it, and the tick is
        // stored back as a click would store it.
        const bool checked = GravelonSettings::ReadAutoCalc(ini) != QLatin1String("false");
        if (CheckBox1->isChecked() != checked) {
            CheckBox1->setChecked(checked);
            CheckBox1Click();
        }
    });
    BitBtn1Click();
    // The order list, not the date picker, has the keyboard once the window is up.
    QTimer::singleShot(0, cxGrid1, qOverload<>(&QWidget::setFocus));
}

void TMainWindow::FormActivate() {
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
        Button4Click();
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

void TMainWindow::CheckBox1Click() {
    RunCommand([this] {
        const TIniFile ini(FSettingsPath);
        if (!ini.Exists()) {
            FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFoundMessage);
            return;
        }
        GravelonSettings::WriteAutoCalc(ini, CheckBox1->isChecked());
    });
}
