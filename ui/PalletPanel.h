#pragma once

#include "PlanVerdict.h"
#include "ShownOrder.h"

#include <QVariant>
#include <QWidget>
#include <exception>
#include <functional>
#include <optional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class TCalculationRunner;
class TDataGrid;
class TDataModule;
class TPrompts;
class TShippingNotesDocument;
class TStackView;
class TWindowWork;
class TWorkerThread;
struct TExportSelection;

// One part of the main window: the pallets of the shown order and the contents of the
// shown pallet, with the stack drawing, and the commands that print them: the layout
// workbook, the print preview and the PDF, of every pallet or the shown one.
class TPalletPanel : public QWidget {
    Q_OBJECT
public:
    // AProgress: the panel the print commands show their progress on; they run on
    // AWorker when AWork lets them begin.
    TPalletPanel(TDataModule* AData, TPrompts* APrompts, TCalculationRunner* AProgress,
                 TWindowWork* AWork, TWorkerThread* AWorker, QWidget* AParent);

    // The order's pallets with their count and whether fewer could do, the first
    // pallet's contents.
    void ShowOrder(const TShownOrder& AOrder);
    void Clear();
    // The contents of the pallet current in the pallet list.
    void ShowPalletContents();
    int PalletCount() const;
    QVariant CurrentPalletValue(const QString& AField) const;
    // The print commands as the shown order allows; off while nothing may be printed.
    void UpdatePrintCommands();
    void DisablePrintCommands();

    TStackView* StackView() const { return FStackView; }
    TDataGrid* PalletsGrid() const { return FPalletsGrid; }
    TDataGrid* ContentsGrid() const { return FContentsGrid; }
    const TShownOrder& ShownOrder() const { return FOrder; }
    const QVariant& ShownPalletId() const { return FShownPalletId; }
    // The pallet with key APallet made current and its contents shown, when the list
    // has it.
    void ShowPallet(qlonglong APallet);
    // How a written file, or its folder, is handed to the desktop; false when nothing
    // there opens it.
    void SetOpenFile(std::function<bool(const QString&)> AOpenFile);
    // The user's state file: the save dialogs start in the folder saved to last, also
    // after a restart. Empty: remembered while the program runs.
    void SetStateFile(const QString& AFile);
    // Tells, when labels are printed, whether the settings put four on an A4 sheet.
    void SetLabelsOnA4(std::function<bool()> AOnA4) { FLabelsOnA4 = std::move(AOnA4); }

public slots:
    // "Почему столько поддонов?": the shown order's count colour by colour.
    void OnWhyClicked();
    void OnPrintAllClicked();
    void OnPrintPalletClicked();
    void OnPreviewAllClicked();
    void OnPreviewPalletClicked();
    void OnSavePdfAllClicked();
    void OnSavePdfPalletClicked();
    // "Этикетки…": the labels of every pallet, or of the shown one, in the print preview.
    void OnLabelsAllClicked();
    void OnLabelsPalletClicked();

signals:
    // A print command found the order changed on another workstation: the window
    // shows it as it now is.
    void OrderChanged(qlonglong AOrderId);
    void PalletRowChosen();

private:
    void AddPaperButtons(QHBoxLayout* ARow, QPushButton* APrintButton, bool ASinglePallet);
    QWidget* WithStackView(QWidget* AContentsGrid);
    void ShowStack();
    void ShowError(const QString& AText);
    // A file written: ASaid, with "Открыть файл" and "Открыть папку"; AOpenFailed when
    // the desktop would not open it by itself.
    void TellSaved(const QString& ASaid, const QString& AFile, bool AOpenFailed = false);
    // Why the shown order has APallets pallets: the last run's own verdict when it
    // calculated this order into these pallets, otherwise judged from the tables.
    std::optional<TPlanVerdict> VerdictFor(qlonglong AOrderId, qint64 APallets) const;
    // The save dialog of the print commands, workbook or PDF: proposes the shown order's
    // name with ASuffix in the folder of ALastName, gives a name typed without a suffix
    // ASuffix and asks once before an existing file is replaced. Empty when the user
    // cancelled either question.
    QString AskSaveName(const QString& ACaption, const QString& AFilter, const QString& ASuffix,
                        bool ASinglePallet, const QString& ALastName);
    void PrintLayouts(bool ASinglePallet);
    // Keys of the pallets the pallet list shows: the print commands refuse an order
    // that no longer has exactly these.
    QList<qlonglong> ShownPallets() const;
    // The order and pallet the print commands act on: those whose details are shown.
    TExportSelection ShownSelection(bool ASinglePallet) const;
    // Reads the shown notes whole on the worker thread, and writes them to the PDF
    // APdf when one is named, then hands them to AThen; when that fails the user is told
    // (AWhat: what could not be done), as the workbook print does when the order
    // changed on another workstation.
    void WithShownNotes(bool ASinglePallet, const QString& AWhat, const QString& APdf,
                        std::function<void(const TShippingNotesDocument&)> AThen);
    static QString FailureText(std::exception_ptr AFailure);
    void PreviewNotes(bool ASinglePallet);
    void SaveNotesPdf(bool ASinglePallet);
    void PreviewLabels(bool ASinglePallet);

    TDataModule* FData;
    TPrompts* FPrompts;
    TCalculationRunner* FProgress;
    TWindowWork* FWork;
    TWorkerThread* FWorker;
    TDataGrid* FPalletsGrid;
    TDataGrid* FContentsGrid;
    QLabel* FPalletsOrderLabel;
    QLabel* FVerdictLabel;
    QLabel* FOriginLabel;
    QLabel* FPalletNumberLabel;
    QPushButton* FWhyButton;
    QPushButton* FPrintAllButton;
    QPushButton* FPrintPalletButton;
    TStackView* FStackView = nullptr;
    std::function<bool(const QString&)> FOpenFile;

    // Labels four to an A4 sheet rather than one to a 100×150 mm label.
    std::function<bool()> FLabelsOnA4;
    TShownOrder FOrder;
    std::optional<TPlanVerdict> FVerdict;
    QVariant FShownPalletId;
    int FShownPalletNumber = 0;
    QString FLastSaveName;
    QString FLastPdfName;
    QString FStateFile;
    // The last file saved to by the command AKey ("SaveDialogs/Workbook" or ".../Pdf").
    void Remember(const QString& AKey, const QString& AFile);
};
