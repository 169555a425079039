#pragma once

#include "OrderFilter.h"
#include "RecentWorkbooks.h"
#include "WindowLayout.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QMenu;
class QStatusBar;
class TCalculationRunner;
class TDataModule;
class TDispatchWindow;
class THelpWindow;
class TNewOrderDialog;
class TOrderBrowser;
class TOrderIntake;
class QPushButton;
class TPalletPanel;
class TPlanEditor;
class TPictureBox;
class TPrompts;
class TStartupServices;
class TTrayController;
class TWindowWork;
class TWorkerThread;
class TWorkNotifier;

// The main window: the menu, the banner with the calculation's settings, the status
// bar, and the wiring between its parts: the order browser (searches, orders and
// positions), the pallet panel (pallets, contents, the stack drawing and the print
// commands), the calculation runner (the button, the progress panel, the run) and the
// order intake (the New-order command). Long commands run on the worker thread, one at
// a time as TWindowWork keeps them. Every question goes through TPrompts; every
// database error of a command ends in an error box and the program carries on.
// MainWindow.cpp: the layout, the handlers, what follows a search or a move to another
// order; MainWindowMenu.cpp: the menu commands and the New-order command's wiring;
// MainWindowDesktop.cpp: what the desktop brings (workbooks opened from outside, the
// recent workbooks, the layout kept between starts, notes when work ends).
class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // ASettingsPath is the settings file (resources/example.ini beside the program).
    // AStartup may be null when the window runs without the start-up window (tests).
    // ATrayAvailable: whether minimising goes to the notification area.
    TMainWindow(TDataModule* AData, TPrompts* APrompts, const QString& ASettingsPath,
                TStartupServices* AStartup, bool ATrayAvailable, QWidget* AParent = nullptr);
    ~TMainWindow() override;

    // The orders AFilter selects, the first shown; nothing of an order stays on screen
    // when the list is empty or unreadable.
    void RefreshOrders(const TOrderFilter& AFilter);
    // The last search again, as the tables now hold it (F5).
    void RepeatSearch();
    // The orders of the database's current day, the date picker on today: what a
    // fresh connection shows.
    void ShowTodayOrders();
    // The current order's and pallet's field values (invalid without a current row).
    QVariant CurrentOrderValue(const QString& AField) const;
    QVariant CurrentPalletValue(const QString& AField) const;
    // A long command runs (calculation, import, layout workbook, PDF).
    bool Busy() const;

    QString StatusText() const;
    void SetStatusText(const QString& AText);
    TTrayController* Tray() const { return FTray; }
    THelpWindow* HelpWindow() const;
    // How a written layout workbook is handed to the desktop: the program associated
    // with it opens it. Tests put a recorder here instead.
    void SetOpenFile(std::function<bool(const QString&)> AOpenFile);
    // The New-order dialog the next import will show (made on first use).
    TNewOrderDialog* NewOrderDialog();

    // The New-order command on AFile, the file dialog skipped (a file opened from the
    // desktop, dropped on the window, handed over by a second start, or recent). While
    // a command or a dialog has the window, it waits for it.
    void OpenWorkbook(const QString& AFile);
    // Back from the tray or the task bar, in front and active.
    void BringToFront();
    // The user's state folder: the layout and the recent workbooks are kept there from
    // now on. Without one (tests) nothing is kept between runs.
    void SetStateFolder(const QString& AFolder);
    // Places the window as the user left it (before it is shown).
    TWindowLayout::TPlacement RestoreGeometry();
    TRecentWorkbooks& RecentWorkbooks() { return FRecent; }
    TWorkNotifier* Notifier() const { return FNotifier; }

public slots:
    void SearchByDate();
    void SearchByNumber();
    void OnOrderClicked();
    void OnPalletClicked();
    void OnCalculateClicked();
    // "Пересчитать…": the calculated order packed anew around its pinned pallets.
    void OnRecalculateClicked();
    void OnAutoCalculationToggled();
    void OnDensePackingToggled();
    void OnNewOrderClicked();
    void OnNothingImported();
    void OnPrintAllClicked();
    // Menu.
    void OnConnectionSettings();
    void OnColourDirectory();
    void OnClearArchive();
    void OnManual();
    // "Отгрузка…" (Ctrl+D): the dispatch window, one for the main window.
    void OnDispatch();
    void OnAbout();
    // Window handlers.
    void OnFirstShown();
    void OnActivated();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;
    void dragEnterEvent(QDragEnterEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;

private:
    // The recent workbooks between "Новая заявка…" and "Выход", as the list now is.
    void FillRecentMenu();
    // A workbook waiting for the window to be free opens now, if it is.
    void OpenPendingWorkbook();
    QWidget* CreateTopBar();
    void CreateMenu();
    void LoadBanner();
    void WireParts();
    // Runs a command; a failure is shown in an error box and the program carries on.
    void RunCommand(const std::function<void()>& AFunc);
    void ShowError(const QString& AText);
    // Starts the calculation of the working order, AShownOrder being the one on
    // screen; AThen runs once it has ended and its outcome has been told.
    void Calculate(qlonglong AShownOrder, std::function<void()> AThen, bool AReplaceLoaded = false);
    void ShowOrderDetails(const QString& AOrderId);
    // No order is current: the detail grids, their captions and the commands on them go.
    void ClearOrderDetails();
    // "Расчет поддонов" and the print commands as the current order allows.
    void UpdateCommandButtons();
    void CreateIntake();
    // A settings file that is missing is said so; AWrite runs on the one there is.
    void WithSettings(const std::function<void(const class TIniFile&)>& AWrite);

    TDataModule* FData;
    TPrompts* FPrompts;
    QString FSettingsPath;
    TStartupServices* FStartup;

    TOrderBrowser* FBrowser = nullptr;
    TPalletPanel* FPallets = nullptr;
    TPlanEditor* FPlanEditor = nullptr;
    QPushButton* FRecalculateButton = nullptr;
    TCalculationRunner* FRunner = nullptr;
    TWindowWork* FWork = nullptr;
    TOrderIntake* FIntake = nullptr;
    TWorkerThread* FWorker = nullptr;
    bool FCloseWhenIdle = false;
    TPictureBox* FBanner = nullptr;
    QCheckBox* FAutoCalculation = nullptr;
    QCheckBox* FDensePacking = nullptr;
    std::optional<TOrderFilter> FShownFilter; // of the list shown
    QStatusBar* FStatusBar = nullptr;
    QLabel* FStatusLabel = nullptr;
    QMenu* FFileMenu = nullptr;
    QList<QAction*> FRecentActions;
    TRecentWorkbooks FRecent;
    TWindowLayout FLayout{QString()};
    QString FPendingWorkbook;
    TWorkNotifier* FNotifier = nullptr;
    QMenu* FSettingsMenu = nullptr;
    QMenu* FHelpMenu = nullptr;
    TTrayController* FTray = nullptr;
    TDispatchWindow* FDispatch = nullptr; // a child window, made on first use

    bool FShown = false;
};
