#include "PalletPanel.h"

#include "CalculationRun.h"
#include "CalculationRunner.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "EnabledFollower.h"
#include "Errors.h"
#include "LayoutExport.h"
#include "LayoutFileName.h"
#include "PalletBound.h"
#include "Prompts.h"
#include "SettingsLocation.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"
#include "StackView.h"
#include "WindowParts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

// The print commands' save dialog: workbooks first, then any file.
const QString LayoutFileFilter = QStringLiteral("Таблицы (*.xls *.xlsx);;Все файлы (*)");
const QString PdfFilter = QStringLiteral("PDF (*.pdf);;Все файлы (*)");

} // namespace

TPalletPanel::TPalletPanel(TDataModule* AData, TPrompts* APrompts, TCalculationRunner* AProgress,
                           QWidget* AParent)
    : QWidget(AParent), FData(AData), FPrompts(APrompts), FProgress(AProgress) {
    setObjectName(QStringLiteral("PalletPanel"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("PalletSplitter"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);
    v->addWidget(split);

    FPalletsGrid = new TDataGrid(QStringLiteral("PalletsGrid"),
                                 {{QStringLiteral("Number"), QStringLiteral("№"), 71},
                                  {QStringLiteral("Length"), QStringLiteral("Длина"), 0},
                                  {QStringLiteral("Width"), QStringLiteral("Ширина"), 0},
                                  {QStringLiteral("clrname"), QStringLiteral("Цвет"), 97},
                                  {QStringLiteral("clrcode"), QStringLiteral("Код Цвета"), 79},
                                  {QStringLiteral("W"), QStringLiteral("Вес, кг."), 74},
                                  {QStringLiteral("h"), QStringLiteral("Высота, листов"), 115}},
                                 split);
    FPalletsGrid->SetSource(FData->Pallets());
    QHBoxLayout* row3 = WindowParts::CaptionRow(
        split, QStringLiteral("Список поддонов по заявке "), QStringLiteral("PalletsCaption"),
        QStringLiteral("PalletsOrderLabel"), &FPalletsOrderLabel);
    FPrintAllButton = new QPushButton(QStringLiteral("Распечатать все раскладки"), split);
    FPrintAllButton->setObjectName(QStringLiteral("PrintAllButton"));
    row3->addWidget(FPrintAllButton);
    AddPaperButtons(row3, FPrintAllButton, false);
    split->addWidget(WindowParts::GridBox(split, row3, FPalletsGrid));

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
    FContentsGrid->SetSource(FData->PalletContents());
    QHBoxLayout* row4 = WindowParts::CaptionRow(
        split, QStringLiteral("Содержимое поддона "), QStringLiteral("ContentsCaption"),
        QStringLiteral("PalletNumberLabel"), &FPalletNumberLabel);
    FPrintPalletButton = new QPushButton(QStringLiteral("Распечатать раскладку"), split);
    FPrintPalletButton->setObjectName(QStringLiteral("PrintPalletButton"));
    row4->addWidget(FPrintPalletButton);
    AddPaperButtons(row4, FPrintPalletButton, true);
    split->addWidget(WindowParts::GridBox(split, row4, WithStackView(FContentsGrid)));

    connect(FPrintAllButton, &QPushButton::clicked, this, &TPalletPanel::OnPrintAllClicked);
    connect(FPrintPalletButton, &QPushButton::clicked, this, &TPalletPanel::OnPrintPalletClicked);
    connect(FPalletsGrid, &TDataGrid::CellClicked, this, &TPalletPanel::PalletRowChosen);
    connect(FPalletsGrid, &TDataGrid::CurrentRowMoved, this, &TPalletPanel::PalletRowChosen);
}

void TPalletPanel::AddPaperButtons(QHBoxLayout* ARow, QPushButton* APrintButton,
                                   bool ASinglePallet) {
    QWidget* parent = APrintButton->parentWidget();
    auto* preview = new QPushButton(QStringLiteral("Печать…"), parent);
    auto* pdf = new QPushButton(QStringLiteral("Сохранить PDF…"), parent);
    preview->setObjectName(ASinglePallet ? QStringLiteral("PreviewPalletButton")
                                         : QStringLiteral("PreviewAllButton"));
    pdf->setObjectName(ASinglePallet ? QStringLiteral("SavePdfPalletButton")
                                     : QStringLiteral("SavePdfAllButton"));
    preview->setToolTip(ASinglePallet
                            ? QStringLiteral("Просмотр и печать раскладки поддона")
                            : QStringLiteral("Просмотр и печать раскладок всех поддонов"));
    pdf->setToolTip(ASinglePallet ? QStringLiteral("Раскладка поддона в файл PDF")
                                  : QStringLiteral("Раскладки всех поддонов в файл PDF"));
    ARow->addWidget(preview);
    ARow->addWidget(pdf);
    // Available exactly when the print button beside them is.
    new TEnabledFollower(APrintButton, {preview, pdf});
    connect(preview, &QPushButton::clicked, this,
            ASinglePallet ? &TPalletPanel::OnPreviewPalletClicked
                          : &TPalletPanel::OnPreviewAllClicked);
    connect(pdf, &QPushButton::clicked, this,
            ASinglePallet ? &TPalletPanel::OnSavePdfPalletClicked
                          : &TPalletPanel::OnSavePdfAllClicked);
}

QWidget* TPalletPanel::WithStackView(QWidget* AContentsGrid) {
    auto* split = new QSplitter(Qt::Horizontal, AContentsGrid->parentWidget());
    split->setObjectName(QStringLiteral("ContentsSplitter"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);
    split->addWidget(AContentsGrid);
    FStackView = new TStackView(split);
    split->addWidget(FStackView);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    // The contents model is reset while it is being opened, before its rows are all
    // fetched: the drawing is made once the opening is over.
    connect(FData->PalletContents(), &QAbstractItemModel::modelReset, this,
            &TPalletPanel::ShowStack, Qt::QueuedConnection);
    return split;
}

void TPalletPanel::Clear() {
    FData->PalletContents()->Close();
    FData->Pallets()->Close();
    FPalletsOrderLabel->clear();
    FPalletNumberLabel->clear();
    FOrder = TShownOrder();
    FShownPalletId = QVariant();
    DisablePrintCommands();
}

void TPalletPanel::ShowOrder(const TShownOrder& AOrder) {
    // Nothing is printed from details that have not loaded: a failure below leaves no
    // order or pallet to print.
    Clear();
    FPalletsOrderLabel->setText(AOrder.Number);
    FData->OpenPallets(AOrder.Id.toString());
    // A calculated order's caption counts its pallets and the least number possible,
    // whenever and wherever it was calculated. A bound above the count means the
    // material's figures changed since: it no longer speaks of these pallets.
    const int pallets = PalletCount();
    if (pallets > 0) {
        const std::optional<qint64> bound =
            PalletBound::StoredOrderBound(FData->Connection(), AOrder.Id.toLongLong());
        FPalletsOrderLabel->setText(
            AOrder.Number + QStringLiteral(" — ") +
            TCalculationRun::Caption(pallets, bound && *bound <= pallets ? *bound : -1));
        FPalletsGrid->SelectTopRow();
    }
    FOrder = AOrder;
    ShowPalletContents();
}

void TPalletPanel::ShowPalletContents() {
    FData->PalletContents()->Close();
    FShownPalletId = QVariant();
    FPrintPalletButton->setEnabled(false);
    if (!FOrder.Id.isValid() || PalletCount() == 0)
        return;
    const QVariant pallet = CurrentPalletValue(QStringLiteral("id"));
    const QVariant number = CurrentPalletValue(QStringLiteral("Number"));
    FPalletNumberLabel->setText(QString::number(qlonglong(number.toDouble())));
    FData->OpenPalletContents(FOrder.Id, pallet);
    FShownPalletId = pallet;
    FPrintPalletButton->setEnabled(FData->PalletContents()->RowCount() > 0);
}

int TPalletPanel::PalletCount() const {
    return FData->Pallets()->RowCount();
}

QVariant TPalletPanel::CurrentPalletValue(const QString& AField) const {
    return FData->Pallets()->Value(FPalletsGrid->CurrentRow(), AField);
}

void TPalletPanel::UpdatePrintCommands() {
    FPrintAllButton->setEnabled(PalletCount() > 0);
    FPrintPalletButton->setEnabled(FData->PalletContents()->RowCount() > 0);
}

void TPalletPanel::DisablePrintCommands() {
    FPrintAllButton->setEnabled(false);
    FPrintPalletButton->setEnabled(false);
}

void TPalletPanel::SetOpenFile(std::function<void(const QString&)> AOpenFile) {
    FOpenFile = std::move(AOpenFile);
}

void TPalletPanel::ShowStack() {
    const TStaticQueryModel* contents = FData->PalletContents();
    if (!contents->IsOpen()) {
        FStackView->SetStack(std::nullopt);
        return;
    }
    // The shown pallet, as the print buttons take it, with the limits of its order.
    TPalletStack stack;
    stack.PalletLength = CurrentPalletValue(QStringLiteral("Length")).toInt();
    stack.PalletWidth = CurrentPalletValue(QStringLiteral("Width")).toInt();
    stack.ColourCode = CurrentPalletValue(QStringLiteral("clrcode")).toString();
    stack.ColourName = CurrentPalletValue(QStringLiteral("clrname")).toString();
    stack.RowLimit = FOrder.RowLimit;
    if (FOrder.WeightLimit.isValid() && !FOrder.WeightLimit.isNull())
        stack.WeightLimit = FOrder.WeightLimit.toDouble();
    stack.Weight1m2 = FOrder.Weight1m2;
    // In the grid's order, first row at the bottom.
    for (int row = 0; row < contents->RowCount(); ++row) {
        TStackBand band;
        band.Length = contents->Value(row, QStringLiteral("L")).toInt();
        band.SheetWidth = contents->Value(row, QStringLiteral("Height")).toInt();
        band.SheetsAbreast = std::max(1, contents->Value(row, QStringLiteral("QtyInRow")).toInt());
        band.Sheets = contents->Value(row, QStringLiteral("Quantity")).toInt();
        stack.Bands << band;
    }
    FStackView->SetStack(stack);
}

void TPalletPanel::ShowError(const QString& AText) {
    FPrompts->Message(window(), TPrompts::TKind::Error, AText);
}

void TPalletPanel::OnPrintAllClicked() {
    PrintLayouts(false);
}

void TPalletPanel::OnPrintPalletClicked() {
    PrintLayouts(true);
}

void TPalletPanel::OnPreviewAllClicked() {
    PreviewNotes(false);
}

void TPalletPanel::OnPreviewPalletClicked() {
    PreviewNotes(true);
}

void TPalletPanel::OnSavePdfAllClicked() {
    SaveNotesPdf(false);
}

void TPalletPanel::OnSavePdfPalletClicked() {
    SaveNotesPdf(true);
}

QString TPalletPanel::AskSaveName(const QString& ACaption, const QString& AFilter,
                                  const QString& ASuffix, bool ASinglePallet,
                                  const QString& ALastName) {
    // The dialog proposes a name made of the order on screen, in the folder saved to
    // last; a name typed without a suffix gets the command's.
    const int pallet = FPalletNumberLabel->text().trimmed().toInt();
    const QString proposed =
        TLayoutFileName::Proposed(FOrder.Number, FOrder.Date, ASinglePallet ? pallet : -1, ASuffix);
    QString folder = QFileInfo(ALastName).absolutePath();
    if (ALastName.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    QString file =
        FPrompts->SaveFileName(window(), ACaption, AFilter, QDir(folder).filePath(proposed));
    if (file.isEmpty())
        return QString();
    file = TLayoutFileName::WithSuffix(file, ASuffix);
    // The file may be a note already handed out: it is replaced only when the user says
    // so, asked here alone (the dialog asks nothing), about the name really written.
    const QFileInfo target(file);
    if (target.exists() && !target.isDir() &&
        FPrompts->Confirm(window(), QStringLiteral("Файл «%1» уже существует. Заменить его?")
                                        .arg(QDir::toNativeSeparators(file))) !=
            TPrompts::TAnswer::Ok)
        return QString();
    return file;
}

QList<qlonglong> TPalletPanel::ShownPallets() const {
    QList<qlonglong> shown;
    for (int row = 0; row < PalletCount(); ++row)
        shown << FData->Pallets()->Value(row, QStringLiteral("id")).toLongLong();
    return shown;
}

// What the details show, whatever row the grids have moved to since.
TExportSelection TPalletPanel::ShownSelection(bool ASinglePallet) const {
    TExportSelection selection;
    selection.OrderId = FOrder.Id;
    if (ASinglePallet) {
        selection.PalletId = FShownPalletId;
        selection.PalletNumberText = FPalletNumberLabel->text();
    }
    return selection;
}

void TPalletPanel::PrintLayouts(bool ASinglePallet) {
    if (Busy())
        return;
    const QString file = AskSaveName(QStringLiteral("Сохранить раскладки"), LayoutFileFilter,
                                     TLayoutFileName::WorkbookSuffix, ASinglePallet, FLastSaveName);
    if (file.isEmpty())
        return;
    FLastSaveName = file;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool busy = true;
    auto idle = [&busy] {
        if (busy) {
            busy = false;
            QApplication::restoreOverrideCursor();
        }
    };
    const auto restore = qScopeGuard(idle);
    TExportCallbacks cb;
    cb.ShowPanel = [this] { FProgress->ShowPanel(); };
    cb.SetProgressMaximum = [this](int AMax) { FProgress->SetProgressMaximum(AMax); };
    cb.StepProgress = [this] { FProgress->StepProgress(); };
    cb.ResetProgress = [this] { FProgress->ResetProgress(); };
    cb.HidePanel = [this] { FProgress->HidePanel(); };
    cb.ShowMessage = [this, &idle](TExportCallbacks::TMessageKind AKind, const QString& AText) {
        // The user reads the outcome with the ordinary cursor.
        idle();
        FPrompts->Message(window(),
                          AKind == TExportCallbacks::TMessageKind::Information
                              ? TPrompts::TKind::Information
                              : TPrompts::TKind::Plain,
                          AText);
    };
    cb.OpenFile = [this](const QString& AFile) {
        if (FOpenFile)
            FOpenFile(AFile);
    };
    // What the pallet list shows: the export refuses an order that no longer has
    // these pallets, and the window then shows the order as it now is.
    const TExportSelection selection = ShownSelection(ASinglePallet);
    TLayoutExport exporter(*FData, GravelonSettings::ProgramFolder(), cb);
    exporter.RequireShownPallets(ShownPallets());
    exporter.ExportLayouts(
        file, ASinglePallet ? TLayoutScope::OnePallet : TLayoutScope::AllPallets, selection);
    if (exporter.OrderChanged())
        emit OrderChanged(selection.OrderId.toLongLong());
}

std::optional<TShippingNotesDocument> TPalletPanel::ReadShownNotes(bool ASinglePallet,
                                                                   const QString& AWhat) {
    const TExportSelection selection = ShownSelection(ASinglePallet);
    QString failure;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        TShippingNoteReader reader(*FData);
        reader.RequireShownPallets(ShownPallets());
        return TShippingNotesDocument(reader.Read(selection, ASinglePallet),
                                      GravelonSettings::ProgramFolder());
    } catch (const EOrderChanged& e) {
        // What the workbook print says and does: the order is shown as it now is.
        FPrompts->Message(window(), TPrompts::TKind::Plain, e.Message());
        emit OrderChanged(selection.OrderId.toLongLong());
        return std::nullopt;
    } catch (const EGravelonError& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    ShowError(AWhat + QLatin1Char('\n') + failure);
    return std::nullopt;
}

void TPalletPanel::PreviewNotes(bool ASinglePallet) {
    if (Busy())
        return;
    // Everything is read before the preview opens: the preview repaints at will and
    // a database failure must not reach it half way.
    const std::optional<TShippingNotesDocument> document =
        ReadShownNotes(ASinglePallet, QStringLiteral("Не удалось подготовить раскладки к печати."));
    if (!document)
        return;
    FPrompts->PrintPreview(window(),
                           ASinglePallet ? QStringLiteral("Печать раскладки")
                                         : QStringLiteral("Печать раскладок"),
                           [&document](QPagedPaintDevice* ADevice) { document->Paint(ADevice); });
}

void TPalletPanel::SaveNotesPdf(bool ASinglePallet) {
    if (Busy())
        return;
    const QString file = AskSaveName(QStringLiteral("Сохранить PDF"), PdfFilter,
                                     TLayoutFileName::PdfSuffix, ASinglePallet, FLastPdfName);
    if (file.isEmpty())
        return;
    FLastPdfName = file;

    const QString what = QStringLiteral("Не удалось сохранить PDF.");
    const std::optional<TShippingNotesDocument> document = ReadShownNotes(ASinglePallet, what);
    if (!document)
        return;
    QString failure;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        try {
            document->SavePdf(file);
        } catch (const EGravelonError& e) {
            failure = e.Message();
        }
    }
    if (!failure.isEmpty()) {
        ShowError(what + QLatin1Char('\n') + failure);
        return;
    }
    FPrompts->Message(window(), TPrompts::TKind::Information,
                      QStringLiteral("PDF сохранён в файл:\n") + file);
}
