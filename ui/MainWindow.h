#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <optional>

class QAction;
class QCheckBox;
class TFieldDateEdit;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolButton;
class TDataGrid;
class TDataModule;
class TNewOrderDialog;
class THelpWindow;
class TPictureBox;
class TPrompts;
class TStartupServices;
class TShippingNotesDocument;
class TStackView;
class TStaticQueryModel;
class TTrayController;
struct TExportSelection;

// The main window: finds orders by date or number, shows the chosen order with its
// positions, pallets and the contents of the chosen pallet, runs the pallet
// calculation with its progress panel, and carries the menu. Every question to the
// user goes through TPrompts; every database error of a command ends in an error box
// and the program carries on.
//
// The implementation is split by subject: MainWindow.cpp (layout and window handlers),
// MainWindowBrowse.cpp (searches and grids), MainWindowCalc.cpp (calculation run),
// MainWindowMenu.cpp (menu commands, tray, the new-order and print commands).
class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // ASettingsPath is the settings file (resources/example.ini beside the program).
    // AStartup may be null when the window runs without the start-up window (tests).
    // ATrayAvailable: whether minimising goes to the notification area.
    TMainWindow(TDataModule* AData, TPrompts* APrompts, const QString& ASettingsPath,
                TStartupServices* AStartup, bool ATrayAvailable, QWidget* AParent = nullptr);
    ~TMainWindow() override;

    // Order browser.
    void RefreshOrders(const QString& ACondition);
    // The orders of the database's current day, the date picker on today: what a
    // fresh connection shows.
    void ShowTodayOrders();
    void ShowOrderDetails(const QString& AAppId);
    void ShowPalletContents();
    static int DataSourceRowCount(const TStaticQueryModel* ADataSource);
    // The current order's and pallet's field values (invalid without a current row).
    QVariant CurrentOrderValue(const QString& AField) const;
    QVariant CurrentPalletValue(const QString& AField) const;

    // Calculation run. AShownOrder: the order the window showed when the run was asked
    // for; the run does nothing when the working tables hold another one by then.
    void CheckProgress(qlonglong AShownOrder = 0);
    void CalcProgress(const QString& AStage, int APosition, int AMax);
    // Once the engine has reported the end of the run its results are committed, and a
    // late request can no longer stop anything.
    bool CalcCanceled() const { return FCalcCanceled && !FCalcFinished; }
    bool CalcRunning() const { return FCalcRunning; }

    QString StatusText() const;
    void SetStatusText(const QString& AText);
    TTrayController* Tray() const { return FTray; }
    THelpWindow* HelpWindow() const { return FHelp; }
    // How a written layout workbook is handed to the desktop: the program associated
    // with it opens it. Tests put a recorder here instead.
    void SetOpenFile(std::function<void(const QString&)> AOpenFile);
    // The New-order dialog the next import will show (made on first use).
    TNewOrderDialog* NewOrderDialog();
    // The drawing of the shown pallet's stack beside the contents grid.
    TStackView* StackView() const;

public slots:
    void SearchByDate();
    void SearchByNumber();
    void OnOrderClicked(int ARow);
    void OnPalletClicked(int ARow);
    void OnCalculateClicked();
    void OnCancelCalculationClicked();
    void OnAutoCalculationToggled();
    void OnDensePackingToggled();
    // Commands that are wired to the order intake and the layout export.
    void OnNewOrderClicked();
    void OnPrintAllClicked();
    void OnPrintPalletClicked();
    // Shipping notes on paper without a workbook (MainWindowPrint.cpp): the print
    // preview and a PDF, of every pallet of the shown order or of the shown pallet.
    void OnPreviewAllClicked();
    void OnPreviewPalletClicked();
    void OnSavePdfAllClicked();
    void OnSavePdfPalletClicked();
    // Menu.
    void OnConnectionSettings();
    void OnColourDirectory();
    void OnClearArchive();
    void OnManual();
    void OnAbout();
    // Window handlers.
    void OnFirstShown();
    void OnActivated();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;

private:
    void CreateWidgets();
    QWidget* CreateTopBar();
    QWidget* CreateLeftColumn();
    QWidget* CreateRightColumn();
    void CreateProgressPanel();
    void CreateMenu();
    void LoadBanner();
    void SetCommandsEnabled(bool AEnabled);
    void ShowError(const QString& AText);
    // Runs a command; a failure is shown in an error box and the program carries on.
    void RunCommand(const std::function<void()>& AFunc);
    void PrintLayouts(const QString& AMode);
    // The save dialog of the print commands, workbook or PDF: proposes the shown order's
    // name with ASuffix in the folder of ALastName, gives a name typed without a suffix
    // ASuffix and asks once before an existing file is replaced. Empty when the user
    // cancelled either question.
    QString AskSaveName(const QString& ACaption, const QString& AFilter, const QString& ASuffix,
                        bool ASinglePallet, const QString& ALastName);
    // Keys of the pallets the pallet list shows: the print commands refuse an order
    // that no longer has exactly these.
    QList<qlonglong> ShownPallets() const;
    void ExportLayouts(const QString& AFileName, const QString& AMode);
    void ImportOrder(const QString& AFileName);
    // The order and pallet the print commands act on: those whose details are shown.
    TExportSelection ShownSelection(bool ASinglePallet) const;
    // Paper commands and the stack drawing (MainWindowPrint.cpp).
    void AddPaperButtons(QHBoxLayout* ARow, bool ASinglePallet);
    QWidget* WithStackView(QWidget* AContentsGrid);
    void ShowStack();
    void PreviewNotes(bool ASinglePallet);
    void SaveNotesPdf(bool ASinglePallet);
    // The shown notes, read whole; nothing when that fails, after telling the user
    // (AWhat: what could not be done), as the workbook print does when the order
    // changed on another workstation.
    std::optional<TShippingNotesDocument> ReadShownNotes(bool ASinglePallet, const QString& AWhat);
    bool IsWorkingOrder(const QString& AAppId) const;
    // No order is current: the detail grids, their captions and the commands on them go.
    void ClearOrderDetails();
    // "Расчет поддонов" and the two print buttons as the current order allows.
    void UpdateCommandButtons();

    TDataModule* FData;
    TPrompts* FPrompts;
    QString FSettingsPath;
    TStartupServices* FStartup;

    // Top bar.
    TPictureBox* FBanner = nullptr;
    QCheckBox* FAutoCalculation = nullptr;
    QCheckBox* FDensePacking = nullptr;
    QPushButton* FCalculateButton = nullptr;
    // Searches and intake.
    TFieldDateEdit* FSearchDate = nullptr;
    QToolButton* FSearchByDateButton = nullptr;
    QLineEdit* FSearchNumber = nullptr;
    QToolButton* FSearchByNumberButton = nullptr;
    QLineEdit* FOrderFilePath = nullptr;
    QPushButton* FNewOrderButton = nullptr;
    // Grids and their captions.
    TDataGrid* FOrdersGrid = nullptr;
    TDataGrid* FPositionsGrid = nullptr;
    TDataGrid* FPalletsGrid = nullptr;
    TDataGrid* FContentsGrid = nullptr;
    QLabel* FOrderNumberLabel = nullptr;
    QLabel* FPalletsOrderLabel = nullptr;
    QLabel* FPalletNumberLabel = nullptr;
    QPushButton* FPrintAllButton = nullptr;
    QPushButton* FPrintPalletButton = nullptr;
    QStatusBar* FStatusBar = nullptr;
    QLabel* FStatusLabel = nullptr;
    // Progress panel.
    QFrame* FProgressPanel = nullptr;
    QLabel* FProgressStage = nullptr;
    QProgressBar* FProgressBar = nullptr;
    QLabel* FProgressTime = nullptr;
    QPushButton* FCancelCalculationButton = nullptr;
    // Menu.
    QMenu* FSettingsMenu = nullptr;
    QMenu* FHelpMenu = nullptr;

    TTrayController* FTray = nullptr;
    THelpWindow* FHelp = nullptr; // a child window, made on first use

    QDateTime FCalcStartTime;
    bool FCalcCanceled = false;
    bool FCalcRunning = false;
    // The engine has reported 6 of 6: its transaction is committed and a cancel request
    // can no longer undo anything.
    bool FCalcFinished = false;
    // Commands switched off for the length of a run, to be switched on again after it.
    QList<QPointer<QWidget>> FDisabledDuringRun;
    bool FCloseAfterRun = false;
    bool FShown = false;
    QString FLastSaveName;
    // The order last calculated here, with its pallet count and the least possible,
    // shown in the pallet list's caption while that order is shown.
    // The order the last calculation ran on and its outcome for the status bar.
    qlonglong FLastCalcOrderId = 0;
    QString FLastCalcOutcome;
    // The order and pallet whose details are on screen: what the print commands print.
    QVariant FShownOrderId;
    QVariant FShownOrderDate;
    QVariant FShownPalletId;

    // The New-order dialog: a fresh one for every import, never replaced while an
    // import is using it.
    QPointer<TNewOrderDialog> FNewOrderDialog;
    bool FImportRunning = false;
    std::function<void(const QString&)> FOpenFile;

    TStackView* FStackView = nullptr;
    QString FLastPdfName;
};
