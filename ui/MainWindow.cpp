#include "MainWindow.h"

#include "CalculationRunner.h"
#include "CommandMenu.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "Errors.h"
#include "HelpWindow.h"
#include "IniFile.h"
#include "OrderBrowser.h"
#include "OrderIntake.h"
#include "PalletPanel.h"
#include "PlanEdit.h"
#include "PlanEditor.h"
#include "PictureBox.h"
#include "ProgramVersion.h"
#include "Prompts.h"
#include "ScreenFit.h"
#include "Settings.h"
#include "SettingsLocation.h"
#include "StartupServices.h"
#include "TrayController.h"
#include "WindowWork.h"
#include "WorkNotifier.h"
#include "WorkerThread.h"
#include "WorkingOrder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

TMainWindow::TMainWindow(TDataModule* AData, TPrompts* APrompts, const QString& ASettingsPath,
                         TStartupServices* AStartup, bool ATrayAvailable, QWidget* AParent)
    : QMainWindow(AParent), FData(AData), FPrompts(APrompts), FSettingsPath(ASettingsPath),
      FStartup(AStartup) {
    setObjectName(QStringLiteral("MainWindow"));
    setProperty(THelpWindow::PageProperty, QStringLiteral("pallets.html"));
    THelpWindow::InstallHelpKey(this);
    ScreenFit::InstallDialogGuard(this);
    setWindowTitle(ProgramVersion::WindowTitle());
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    const QString icon = QDir(GravelonSettings::ProgramFolder())
                             .filePath(QStringLiteral("resources/gravelon_icon.png"));
    if (QFileInfo::exists(icon))
        setWindowIcon(QIcon(icon));

    FWork = new TWindowWork(this);
    FWorker = new TWorkerThread(FData, this);
    FRunner = new TCalculationRunner(FWorker, FWork, FPrompts, this);
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
    FBrowser = new TOrderBrowser(FData, work);
    FPallets = new TPalletPanel(FData, FPrompts, FRunner, FWork, FWorker, work);
    FPallets->SetOpenFile(
        [](const QString& AFile) { return QDesktopServices::openUrl(QUrl::fromLocalFile(AFile)); });
    FPlanEditor = new TPlanEditor(FData, FPrompts, FPallets, this);
    // Read at every print: the settings file may be edited while the program runs.
    FPallets->SetLabelsOnA4(
        [this] { return GravelonSettings::ReadLabelsOnA4(TIniFile(FSettingsPath)); });
    work->addWidget(FBrowser);
    work->addWidget(FPallets);
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

    CreateMenu();
    CreateIntake();
    LoadBanner();
    WireParts();
    FTray = new TTrayController(this, ATrayAvailable, this);
    FNotifier = new TWorkNotifier(this, FTray, TWorkNotifier::DefaultThresholdMs, this);
    connect(FWork, &TWindowWork::Finished, FNotifier, &TWorkNotifier::OnFinished);
    setAcceptDrops(true);
}

TMainWindow::~TMainWindow() {
    // The runner first: a job waiting for the panel to show its report is released and
    // stops; then the worker thread is waited for.
    delete FRunner;
    delete FWorker;
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
    FAutoCalculation->setToolTip(QStringLiteral("Рассчитывать поддоны сразу после загрузки заявки"));
    right->addWidget(FAutoCalculation, 0, Qt::AlignRight);
    FDensePacking = new QCheckBox(QStringLiteral("Плотная укладка"), top);
    FDensePacking->setObjectName(QStringLiteral("DensePacking"));
    FDensePacking->setToolTip(QStringLiteral("Укладывать листы каждого цвета на как можно меньшее "
                                             "число поддонов"));
    right->addWidget(FDensePacking, 0, Qt::AlignRight);
    FRunner->Button()->setParent(top);
    auto* buttons = new QHBoxLayout;
    FRecalculateButton = new QPushButton(QStringLiteral("Пересчитать…"), top);
    FRecalculateButton->setObjectName(QStringLiteral("RecalculateButton"));
    FRecalculateButton->setMinimumHeight(FRunner->Button()->minimumHeight());
    FRecalculateButton->setEnabled(false);
    FRecalculateButton->setToolTip(QStringLiteral("Пересчитать можно рассчитанную текущую заявку"));
    buttons->addStretch(1);
    buttons->addWidget(FRecalculateButton);
    buttons->addWidget(FRunner->Button());
    right->addLayout(buttons);
    right->addStretch(1);
    h->addLayout(right);
    return top;
}

void TMainWindow::CreateMenu() {
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    FFileMenu = AddFileCommands(menuBar(), this);
    FFileMenu->setToolTipsVisible(true);
    connect(FFileMenu, &QMenu::aboutToShow, this, &TMainWindow::FillRecentMenu);
    FillRecentMenu();
    AddDispatchCommand(AddOrderCommands(menuBar(), this, [this] { RepeatSearch(); }),
                       [this] { OnDispatch(); });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Правка"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(FPlanEditor->UndoAction());
    edit->addAction(FPlanEditor->RedoAction());
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
    FHelpMenu->actions().constLast()->setShortcut(QKeySequence(Qt::Key_F1));
    add(FHelpMenu, QStringLiteral("AboutAction"), QStringLiteral("О программе"),
        &TMainWindow::OnAbout);
}

void TMainWindow::WireParts() {
    connect(FAutoCalculation, &QCheckBox::clicked, this, &TMainWindow::OnAutoCalculationToggled);
    connect(FDensePacking, &QCheckBox::clicked, this, &TMainWindow::OnDensePackingToggled);
    connect(FRunner->Button(), &QPushButton::clicked, this, &TMainWindow::OnCalculateClicked);
    connect(FRecalculateButton, &QPushButton::clicked, this, &TMainWindow::OnRecalculateClicked);
    connect(FRunner, &TCalculationRunner::Status, this, &TMainWindow::SetStatusText);
    connect(FRunner, &TCalculationRunner::Started, FPallets, &TPalletPanel::DisablePrintCommands);
    // While a command runs the grids are off too: the details could not follow a move.
    FWork->LockWhileBusy(QList<QWidget*>{menuBar(), FBrowser, FPallets});
    connect(FWork, &TWindowWork::Ended, this, [this] {
        if (FCloseWhenIdle)
            QTimer::singleShot(0, this, &QWidget::close);
        else
            QTimer::singleShot(0, this, &TMainWindow::OpenPendingWorkbook);
    });
    connect(FBrowser, &TOrderBrowser::SearchByDateRequested, this, &TMainWindow::SearchByDate);
    connect(FBrowser, &TOrderBrowser::SearchByNumberRequested, this, &TMainWindow::SearchByNumber);
    connect(FBrowser, &TOrderBrowser::NewOrderRequested, this, &TMainWindow::OnNewOrderClicked);
    connect(FBrowser, &TOrderBrowser::OrderRowChosen, this, &TMainWindow::OnOrderClicked);
    connect(FPallets, &TPalletPanel::PalletRowChosen, this, &TMainWindow::OnPalletClicked);
    connect(FPlanEditor, &TPlanEditor::PlanChanged, this, [this](qlonglong, qlonglong APallet) {
        // The positions follow too: a move may split a position or join its parts.
        RunCommand([&] {
            const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
            if (!id.isValid() || id.isNull())
                return;
            ShowOrderDetails(id.toString());
            FPallets->ShowPallet(APallet);
        });
    });
    connect(FPallets, &TPalletPanel::OrderChanged, this, [this](qlonglong AOrderId) {
        RunCommand([&] { RefreshOrders(TOrderFilter::ById(AOrderId)); });
    });
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

bool TMainWindow::Busy() const {
    return FWork->Busy();
}

QVariant TMainWindow::CurrentOrderValue(const QString& AField) const {
    return FBrowser->CurrentOrderValue(AField);
}

QVariant TMainWindow::CurrentPalletValue(const QString& AField) const {
    return FPallets->CurrentPalletValue(AField);
}

void TMainWindow::SetOpenFile(std::function<bool(const QString&)> AOpenFile) {
    FPallets->SetOpenFile(std::move(AOpenFile));
}

void TMainWindow::OnPrintAllClicked() {
    FPallets->OnPrintAllClicked();
}

void TMainWindow::showEvent(QShowEvent* AEvent) {
    QMainWindow::showEvent(AEvent);
    if (!FShown) {
        FShown = true;
        // The left column starts 632 pixels wide whatever the window's size.
        if (auto* work = findChild<QSplitter*>(QStringLiteral("WorkSplitter")))
            work->setSizes({632, qMax(200, width() - 632 - work->handleWidth())});
        OnFirstShown();
        FLayout.RestoreParts(*this);
    }
}

void TMainWindow::changeEvent(QEvent* AEvent) {
    QMainWindow::changeEvent(AEvent);
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow())
        OnActivated();
    else if (AEvent->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        FTray->WindowMinimised();
}

void TMainWindow::WithSettings(const std::function<void(const TIniFile&)>& AWrite) {
    RunCommand([&] {
        const TIniFile ini(FSettingsPath);
        if (!ini.Exists()) {
            FPrompts->Message(this, TPrompts::TKind::Plain,
                              GravelonSettings::IniNotFound(FSettingsPath));
            return;
        }
        AWrite(ini);
    });
}

void TMainWindow::OnFirstShown() {
    FBrowser->SetPickerDate(QDate::currentDate());
    WithSettings([this](const TIniFile& AIni) {
        // Exactly "false" clears the box; any other value ticks it, and the tick is
        // stored back as a click would store it.
        const bool checked = GravelonSettings::ReadAutoCalc(AIni) != QLatin1String("false");
        if (FAutoCalculation->isChecked() != checked) {
            FAutoCalculation->setChecked(checked);
            OnAutoCalculationToggled();
        }
        FDensePacking->setChecked(GravelonSettings::ReadDensePacking(AIni));
        FRunner->SetProofTime(GravelonSettings::ReadProofTime(AIni));
    });
    SearchByDate();
    // The order list, not the date picker, has the keyboard once the window is up.
    QTimer::singleShot(0, FBrowser->OrdersGrid(), qOverload<>(&QWidget::setFocus));
}

void TMainWindow::OnActivated() {
    if (FStartup)
        FStartup->HideStartup();
    // A modal window that held a workbook back has closed.
    QTimer::singleShot(0, this, &TMainWindow::OpenPendingWorkbook);
    // A fresh New-order dialog for the next import, so nothing typed for the last
    // order is offered again.
    FIntake->RenewDialog();
}

void TMainWindow::closeEvent(QCloseEvent* AEvent) {
    if (FWork->Busy()) {
        // A command's work is either kept whole or undone: the window closes once it
        // has ended, stopped first where the user says so.
        AEvent->ignore();
        if (FCloseWhenIdle)
            return;
        const QString question =
            FRunner->Running()
                ? QStringLiteral("Идет расчет поддонов. Прервать расчет и закрыть программу?")
                : QStringLiteral("Программа еще выполняет команду. Прервать ее и закрыть "
                                 "программу?");
        if (FPrompts->Confirm(this, question) != TPrompts::TAnswer::Ok)
            return;
        FCloseWhenIdle = true;
        FRunner->Cancel();
        return;
    }
    if (THelpWindow* help = HelpWindow())
        help->close();
    FTray->Icon()->hide();
    FLayout.Save(*this);
    AEvent->accept();
    if (FStartup)
        FStartup->CloseStartup();
}

void TMainWindow::OnAutoCalculationToggled() {
    WithSettings([this](const TIniFile& AIni) {
        GravelonSettings::WriteAutoCalc(AIni, FAutoCalculation->isChecked());
    });
}

void TMainWindow::OnDensePackingToggled() {
    WithSettings([this](const TIniFile& AIni) {
        GravelonSettings::WriteDensePacking(AIni, FDensePacking->isChecked());
    });
}

void TMainWindow::SearchByDate() {
    if (FWork->Busy())
        return;
    RunCommand([this] { RefreshOrders(TOrderFilter::ByDate(FBrowser->PickerDate())); });
}

void TMainWindow::SearchByNumber() {
    if (FWork->Busy())
        return;
    RunCommand([this] { RefreshOrders(TOrderFilter::ByNumber(FBrowser->SearchText())); });
}

void TMainWindow::ShowTodayOrders() {
    if (FWork->Busy())
        return;
    FBrowser->SetPickerDate(QDate::currentDate());
    RunCommand([this] { RefreshOrders(TOrderFilter::Today()); });
}

void TMainWindow::RepeatSearch() {
    if (!FWork->Busy() && FShownFilter)
        RunCommand([this] { RefreshOrders(*FShownFilter); });
}

void TMainWindow::RefreshOrders(const TOrderFilter& AFilter) {
    FShownFilter = AFilter;
    try {
        if (!FBrowser->LoadOrders(AFilter)) {
            // Nothing found: nothing of the order shown before may stay on screen, and
            // nothing may be calculated or printed.
            ClearOrderDetails();
            SetStatusText(QStringLiteral("Заявки не найдены"));
            return;
        }
        ShowOrderDetails(CurrentOrderValue(QStringLiteral("ID")).toString());
    } catch (...) {
        // A list or details that could not be read are not shown half.
        ClearOrderDetails();
        SetStatusText(QString());
        throw;
    }
}

void TMainWindow::ClearOrderDetails() {
    FPallets->Clear();
    FBrowser->ClearPositions();
    FRunner->SetAvailability(TCalculationRunner::TAvailability::NoOrder);
}

void TMainWindow::ShowOrderDetails(const QString& AOrderId) {
    FPallets->Clear();
    TShownOrder order = FBrowser->CurrentOrder();
    order.Id = SqlRun::KeyValue(AOrderId);
    FBrowser->ShowPositions(AOrderId, order.Number);
    FPallets->ShowOrder(order);
    FPlanEditor->UpdateActions();
    UpdateCommandButtons();
    // The status bar speaks of what is shown: the outcome of the last calculation
    // while its order is the current one, otherwise the list.
    const qlonglong id = AOrderId.toLongLong();
    if (id != 0 && id == FRunner->LastOrderId() && !FRunner->LastOutcome().isEmpty())
        SetStatusText(FRunner->LastOutcome());
    else
        SetStatusText(QStringLiteral("Найдено заявок: %1").arg(FBrowser->OrderCount()));
}

void TMainWindow::UpdateCommandButtons() {
    using TAvailability = TCalculationRunner::TAvailability;
    if (!FBrowser->PositionsShown()) {
        FPallets->DisablePrintCommands();
        FRunner->SetAvailability(TAvailability::NoOrder);
        return;
    }
    const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
    // The calculation works on the order in the working tables; an archived order that
    // was never calculated cannot be, and a run would recalculate another order.
    const bool working =
        !id.isNull() && WorkingOrder::Holds(FData->Connection(), SqlRun::KeyValue(id).toLongLong());
    const bool calculated = FPallets->PalletCount() > 0;
    FRunner->SetAvailability(calculated ? TAvailability::Calculated
                             : working  ? TAvailability::Ready
                                        : TAvailability::NotWorking);
    FRecalculateButton->setEnabled(calculated && working);
    FRecalculateButton->setToolTip(
        calculated && working
            ? QStringLiteral("Разложить листы заново; закрепленные поддоны остаются как есть")
            : QStringLiteral("Пересчитать можно рассчитанную текущую заявку"));
    FPallets->UpdatePrintCommands();
}

// The details follow the current row however it moves (click, arrow keys, Page Down):
// the print commands print what the details show.
void TMainWindow::OnOrderClicked() {
    if (FWork->Busy())
        return;
    RunCommand([this] {
        const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
        if (id.isNull() || !id.isValid())
            return;
        ShowOrderDetails(id.toString());
    });
}

void TMainWindow::OnPalletClicked() {
    if (FWork->Busy())
        return;
    RunCommand([this] {
        if (FBrowser->OrderCount() > 0)
            FPallets->ShowPalletContents();
    });
}

void TMainWindow::OnCalculateClicked() {
    if (FWork->Busy())
        return;
    if (FBrowser->OrderCount() == 0 || FBrowser->OrdersGrid()->CurrentRow() < 0)
        return;
    const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
    const QString key = id.isNull() ? QString() : id.toString();
    // Pallets already on a truck carry labels the run would make stale: the operator
    // decides. The run checks again under the write lock.
    bool replaceLoaded = false;
    try {
        replaceLoaded =
            !key.isEmpty() && WorkingOrder::HasLoadedPallets(FData->Connection(), key.toLongLong());
    } catch (const EGravelonError& e) {
        ShowError(e.Message());
        return;
    }
    if (replaceLoaded &&
        FPrompts->Confirm(this, QStringLiteral("Часть поддонов этой заявки уже погружена. После "
                                               "нового расчета их этикетки устареют, а отметки о "
                                               "погрузке будут сняты. Пересчитать заявку?")) !=
            TPrompts::TAnswer::Ok)
        return;
    // After every run, whatever its outcome, the order is shown again with the pallets
    // the tables now hold.
    Calculate(
        key.toLongLong(),
        [this, key] {
            if (!key.isEmpty())
                RunCommand([&] { RefreshOrders(TOrderFilter::ById(key.toLongLong())); });
        },
        replaceLoaded);
}

void TMainWindow::OnRecalculateClicked() {
    if (FWork->Busy() || !FRecalculateButton->isEnabled())
        return;
    const qlonglong order = SqlRun::KeyValue(CurrentOrderValue(QStringLiteral("ID"))).toLongLong();
    const int method = FPrompts->Choose(
        this, TPrompts::TKind::Plain,
        QStringLiteral("Пересчитать поддоны заявки? Закрепленные поддоны останутся как есть, "
                       "остальные листы будут разложены заново; изменения, сделанные вручную, "
                       "на них пропадут (их можно вернуть: Правка → Отменить)."),
        {QStringLiteral("Обычный расчет"), QStringLiteral("Плотная укладка"),
         QStringLiteral("Отмена")});
    if (method != 0 && method != 1)
        return;
    bool replaceLoaded = false;
    TPlanSnapshot before;
    try {
        replaceLoaded = WorkingOrder::HasLoadedPallets(FData->Connection(), order);
        before = PlanEdit::Snapshot(*FData, order);
    } catch (const EGravelonError& e) {
        ShowError(e.Message());
        return;
    }
    if (replaceLoaded &&
        FPrompts->Confirm(this, QStringLiteral("Часть поддонов этой заявки уже погружена. После "
                                               "пересчета этикетки незакрепленных поддонов "
                                               "устареют, а их отметки о погрузке будут сняты. "
                                               "Пересчитать?")) != TPrompts::TAnswer::Ok)
        return;
    FRunner->Run(
        order, method == 1,
        [this, order, before] {
            FPlanEditor->Record(order, before);
            RunCommand([&] { RefreshOrders(TOrderFilter::ById(order)); });
        },
        replaceLoaded, true);
}

void TMainWindow::Calculate(qlonglong AShownOrder, std::function<void()> AThen,
                            bool AReplaceLoaded) {
    FRunner->Run(AShownOrder, FDensePacking->isChecked(), std::move(AThen), AReplaceLoaded);
}
