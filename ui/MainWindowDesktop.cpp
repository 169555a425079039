// What the desktop brings to the main window: workbooks opened from outside (the
// command line, a drop, a second start, the recent list), the layout kept between
// starts.
#include "MainWindow.h"

#include "OrderIntake.h"
#include "PalletPanel.h"
#include "SettingsLocation.h"
#include "TrayController.h"
#include "WindowWork.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

const QString StateFile = QStringLiteral("window.ini");

// The one local workbook a drop carries; empty when it carries anything else.
QString DroppedWorkbook(const QMimeData* AData) {
    if (!AData || !AData->hasUrls() || AData->urls().size() != 1)
        return QString();
    const QUrl url = AData->urls().first();
    if (!url.isLocalFile())
        return QString();
    const QString file = url.toLocalFile();
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls") ||
                   suffix == QLatin1String("ods")
               ? file
               : QString();
}

} // namespace

void TMainWindow::SetStateFolder(const QString& AFolder) {
    // The layout and the recent workbooks' paths are the user's alone.
    GravelonSettings::MakePrivateFolder(AFolder);
    const QString file = QDir(AFolder).filePath(StateFile);
    FLayout = TWindowLayout(file);
    FRecent = TRecentWorkbooks(file);
    FPallets->SetStateFile(file);
    FillRecentMenu();
    if (FShown)
        FLayout.RestoreParts(*this);
}

TWindowLayout::TPlacement TMainWindow::RestoreGeometry() {
    return FLayout.RestoreGeometry(*this);
}

void TMainWindow::OpenWorkbook(const QString& AFile) {
    FPendingWorkbook = AFile;
    // After the event that brought it, so that the window is drawn first.
    QTimer::singleShot(0, this, &TMainWindow::OpenPendingWorkbook);
}

void TMainWindow::OpenPendingWorkbook() {
    // A command or a dialog of the window holds it back; the end of the command or the
    // window's activation brings it here again.
    if (FPendingWorkbook.isEmpty() || !isVisible() || FWork->Busy() ||
        QApplication::activeModalWidget())
        return;
    const QString file = std::exchange(FPendingWorkbook, QString());
    // Nothing may be printed from the grids until they show the new order's day.
    FPallets->DisablePrintCommands();
    FIntake->Import(file);
}

void TMainWindow::BringToFront() {
    if (FTray->IconShown() || !isVisible() || isMinimized()) {
        FTray->Restore();
    } else {
        raise();
        activateWindow();
    }
}

void TMainWindow::FillRecentMenu() {
    QAction* quit = nullptr;
    for (QAction* a : FFileMenu->actions())
        if (a->objectName() == QLatin1String("QuitAction"))
            quit = a;
    qDeleteAll(FRecentActions);
    FRecentActions.clear();
    const QStringList files = FRecent.Files();
    for (int i = 0; i < files.size(); ++i) {
        const QString file = files.at(i);
        auto* a = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1 == 10 ? 0 : i + 1).arg(QFileInfo(file).fileName()),
            FFileMenu);
        a->setObjectName(QStringLiteral("RecentWorkbook%1").arg(i + 1));
        const bool present = QFileInfo(file).isFile();
        a->setEnabled(present);
        a->setToolTip(present
                          ? QDir::toNativeSeparators(file)
                          : QStringLiteral("Файл не найден: ") + QDir::toNativeSeparators(file));
        connect(a, &QAction::triggered, this, [this, file] {
            if (!FWork->Busy())
                OpenWorkbook(file);
        });
        FRecentActions << a;
    }
    auto* separator = new QAction(FFileMenu);
    separator->setSeparator(true);
    FRecentActions << separator;
    FFileMenu->insertActions(quit, FRecentActions);
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* AEvent) {
    if (!DroppedWorkbook(AEvent->mimeData()).isEmpty() && !FWork->Busy())
        AEvent->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* AEvent) {
    const QString file = DroppedWorkbook(AEvent->mimeData());
    if (file.isEmpty() || FWork->Busy())
        return;
    AEvent->acceptProposedAction();
    OpenWorkbook(file);
}
