#pragma once

#include "Settings.h"
#include "StartupServices.h"

#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class TDataModule;
class TMainWindow;
class TPictureBox;
class TPrompts;

// Why the start-up window connects: at start-up the main window does not exist yet;
// a reconnect comes from the main window's menu and reloads its order list.
enum class TConnectPurpose { StartUp, Reconnect };

// The start-up window: a splash picture for three seconds, then the connection from
// the settings file; the main window opens on success, the connection panel on
// failure. It stays alive, hidden, for the whole run: the main window's menu shows
// it again as the connection settings and as the about view. Closing it ends the
// program (Closed()).
class TStartupWindow : public QWidget, public TStartupServices {
    Q_OBJECT
public:
    // ASettingsPath: the settings file; the embedded database file is taken relative
    // to its folder. ASplashMs and AProgressMs are the two timers' intervals.
    // ATrayAvailable is handed to the main window.
    TStartupWindow(TPrompts* APrompts,
                   const QString& ASettingsPath = GravelonSettings::DefaultPath(),
                   int ASplashMs = 3000, int AProgressMs = 100, bool ATrayAvailable = false,
                   QWidget* AParent = nullptr);
    ~TStartupWindow() override;

    void LoadSplashImage();
    void ShowConnectionPanel();
    void LoadConnectionSettings();
    void ConnectDatabase();
    void ShowMainWindow();
    void ReloadTodayOrders();
    // A workbook to import (empty: only the window wanted), from the command line or a
    // second start: the main window's New-order command takes it, at once or as soon
    // as that window is up; the program's window comes to the front.
    void OpenWorkbook(const QString& AFile);
    // Where the main window keeps its layout and recent workbooks; empty keeps none.
    void SetStateFolder(const QString& AFolder) { FStateFolder = AFolder; }

    void HideStartup() override;
    void CloseStartup() override;
    void OpenConnectionSettings() override;
    void ShowAboutView() override;

    TConnectPurpose ConnectPurpose() const { return FConnectPurpose; }
    TDataModule* DataModule() const { return FData.get(); }
    TMainWindow* MainWindow() const { return FMainWindow.get(); }
    const QString& SettingsPath() const { return FSettingsPath; }
    // The reason the last connection attempt failed, as the database gave it.
    QString LastConnectError() const;

public slots:
    void OnSplashElapsed();
    void OnSplashProgressTick();
    void OnConnectClicked();
    void OnHideClicked();

signals:
    void Closed();

protected:
    void changeEvent(QEvent* AEvent) override;
    void showEvent(QShowEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;

private:
    void CreateSplashPanel();
    void CreateConnectionPanel();
    void PlaceControls();
    TConnectionSettings FieldSettings() const;
    // Connects with the panel's fields; AStoreSettings: write them to the settings
    // file once the connection has opened.
    void ConnectWithFields(bool AStoreSettings);
    QString SettingsFolder() const;

    TPrompts* FPrompts;
    QString FSettingsPath;
    bool FTrayAvailable;
    TConnectPurpose FConnectPurpose = TConnectPurpose::StartUp;
    QString FPendingWorkbook;
    QString FStateFolder;

    QWidget* FSplashPanel = nullptr;
    TPictureBox* FSplashImage = nullptr;
    QProgressBar* FSplashProgress = nullptr;
    QLabel* FVersionLabel = nullptr;
    QWidget* FConnectionPanel = nullptr;
    QLineEdit* FServerEdit = nullptr;
    QLineEdit* FDatabaseEdit = nullptr;
    QLineEdit* FUserEdit = nullptr;
    QLineEdit* FPasswordEdit = nullptr;
    QLabel* FErrorLabel = nullptr;
    QPushButton* FConnectButton = nullptr;
    QPushButton* FCloseButton = nullptr;
    QPushButton* FAboutOkButton = nullptr;
    QTimer* FSplashTimer = nullptr;
    QTimer* FSplashProgressTimer = nullptr;

    // The main window is destroyed before the data module it shows.
    std::unique_ptr<TDataModule> FData;
    std::unique_ptr<TMainWindow> FMainWindow;
};
