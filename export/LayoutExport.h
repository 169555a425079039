#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

class TDataModule;

// What the export tells its user and its progress panel. The main window passes its
// progress panel, progress bar, prompts and QDesktopServices here; gravelon-cli passes what
// it prints. Any member may be left empty.
struct TExportCallbacks {
    enum class TMessageKind { Information, Plain };

    std::function<void()> ShowPanel;             // the progress panel appears
    std::function<void(int)> SetProgressMaximum; // one step per pallet
    std::function<void()> StepProgress;          // one pallet written
    std::function<void()> ResetProgress;         // position back to 0 (after a success)
    std::function<void()> HidePanel;             // the panel goes away (always)
    std::function<void(TMessageKind, const QString&)> ShowMessage;
    std::function<void(const QString&)> OpenFile; // hand the saved file to the desktop
    // Asked after each pallet: true stops the export, and nothing is written.
    std::function<bool()> Canceled;
};

// The rows selected in the order browser at the moment of the command: the current
// order and, for one pallet, the current pallet with the number its label shows.
struct TExportSelection {
    QVariant OrderId;         // id of the current row of the orders grid
    QVariant PalletId;        // one pallet: the shown pallet's key
    int PalletNumber = 0; // one pallet: its number in the pallet list (from 1)
};

// The layout export: every pallet of the current order, or the selected one, as
// shipping-note blocks on one worksheet of a new workbook. Writes the workbook beside
// the target and puts it in place only once complete, so a failed export leaves an
// existing file as it was. Everything is read in one read-only transaction: a
// calculation committed on another workstation meanwhile never shows half way.
//
// The print buttons call it with the name their save dialog returned:
//   TExportCallbacks cb;
//   cb.ShowPanel = [this] { FProgressPanel->show(); };
//   cb.SetProgressMaximum = [this](int AMax) { FProgressBar->setMaximum(AMax); };
//   cb.StepProgress = [this] { FProgressBar->setValue(FProgressBar->value() + 1); };
//   cb.ResetProgress = [this] { FProgressBar->setValue(0); };
//   cb.HidePanel = [this] { FProgressPanel->hide(); };
//   cb.ShowMessage = [this](TExportCallbacks::TMessageKind AKind, const QString& AText) {
//       FPrompts->Message(this, AKind == TExportCallbacks::TMessageKind::Information
//                                   ? TPrompts::TKind::Information : TPrompts::TKind::Plain,
//                         AText);
//   };
//   cb.OpenFile = [](const QString& AFile) {
//       QDesktopServices::openUrl(QUrl::fromLocalFile(AFile));
//   };
//   TLayoutExport exporter(*DataModule, GravelonSettings::ProgramFolder(), cb);
//   // "Распечатать все раскладки":
//   exporter.ExportLayouts(fileName, TLayoutScope::AllPallets, {orderId, {}, {}});
//   // "Распечатать раскладку":
//   exporter.ExportLayouts(fileName, TLayoutScope::OnePallet,
//                          {orderId, palletId, palletNumber});
// What a layout workbook holds: every pallet of the order, or the selected one.
enum class TLayoutScope { AllPallets, OnePallet };

class TLayoutExport {
public:
    static const QString FailureMessage;
    static const QString SavedMessage;

    // AProgramFolder holds resources/C.bmp and resources/C.png (GravelonSettings::ProgramFolder():
    // beside the executable, or share/gravelon when installed).
    TLayoutExport(TDataModule& AData, const QString& AProgramFolder,
                  TExportCallbacks ACallbacks = {});

    // The pallets the window's pallet list shows for the order. Once given, every
    // export writes nothing unless the order still has exactly these pallets (and the
    // selected one among them): another workstation may have recalculated the order,
    // or cleared it from the archive, since the window showed it.
    void RequireShownPallets(const QList<qlonglong>& APallets);
    // The check behind it, for every command that prints what the window showed: throws
    // EOrderChanged with OrderChangedMessage unless the order has exactly the pallets
    // AShown and, for one pallet's note, APallet among them. Returns the order's pallets
    // in the pallet list's order.
    static QList<qlonglong> RequirePallets(TDataModule& AData, const QVariant& AOrderKey,
                                           const QList<qlonglong>& AShown, bool AOnePallet,
                                           const QVariant& APallet);
    // The one pallet's number, refused when there is none.
    static int SelectedNumber(const TExportSelection& ASelection);

    // Reports success and failure through the callbacks and lets nothing escape;
    // returns whether the file was written.
    bool ExportLayouts(const QString& AFileName, TLayoutScope AScope,
                       const TExportSelection& ASelection);

    // Why the last export failed, for logs and tests; the user gets FailureMessage with
    // this cause on the next line.
    const QString& LastError() const { return FLastError; }
    // What the last successful export had to change to be written (a text too long
    // for a cell, cut), as the saved message's last paragraph says it; empty when
    // nothing was.
    const QString& Warning() const { return FWarning; }
    static QString CutWarning(int ACells);
    // The last export found the order changed from what was shown (OrderChangedMessage
    // was shown instead of FailureMessage): the window should show it afresh.
    bool OrderChanged() const { return FOrderChanged; }
    static const QString OrderChangedMessage;

private:
    void Run(const QString& AFileName, TLayoutScope AScope, const TExportSelection& ASelection);
    static void Call(const std::function<void()>& AFunc);

    TDataModule& FData;
    QString FProgramFolder;
    TExportCallbacks FCallbacks;
    QString FLastError;
    QString FWarning;
    bool FOrderChanged = false;
    bool FCheckShown = false;
    QList<qlonglong> FShownPallets;
};
