// The main window's shipping notes on paper, without a workbook: the stack drawing of
// the shown pallet beside its contents, "Печать…" (the print preview) and "Сохранить
// PDF…" beside the two print buttons, for every pallet of the shown order or the shown
// pallet alone.
#include "MainWindow.h"

#include "DataModule.h"
#include "EnabledFollower.h"
#include "Errors.h"
#include "LayoutExport.h"
#include "LayoutFileName.h"
#include "Prompts.h"
#include "SettingsLocation.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"
#include "StackView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>

namespace {

const QString PdfFilter = QStringLiteral("PDF (*.pdf);;Все файлы (*)");

} // namespace

void TMainWindow::AddPaperButtons(QHBoxLayout* ARow, bool ASinglePallet) {
    QWidget* parent = ARow->parentWidget() ? ARow->parentWidget() : this;
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
    new TEnabledFollower(ASinglePallet ? FPrintPalletButton : FPrintAllButton, {preview, pdf});
    connect(preview, &QPushButton::clicked, this,
            ASinglePallet ? &TMainWindow::OnPreviewPalletClicked
                          : &TMainWindow::OnPreviewAllClicked);
    connect(pdf, &QPushButton::clicked, this,
            ASinglePallet ? &TMainWindow::OnSavePdfPalletClicked
                          : &TMainWindow::OnSavePdfAllClicked);
}

QWidget* TMainWindow::WithStackView(QWidget* AContentsGrid) {
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
    connect(FData->QSolutions, &QAbstractItemModel::modelReset, this, &TMainWindow::ShowStack,
            Qt::QueuedConnection);
    return split;
}

void TMainWindow::ShowStack() {
    const TStaticQueryModel* contents = FData->QSolutions;
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
    stack.RowLimit = CurrentOrderValue(QStringLiteral("MaxH")).toInt();
    const QVariant maxW = CurrentOrderValue(QStringLiteral("MaxW"));
    if (maxW.isValid() && !maxW.isNull())
        stack.WeightLimit = maxW.toDouble();
    stack.Weight1m2 = CurrentOrderValue(QStringLiteral("Weight1m2")).toDouble();
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

TStackView* TMainWindow::StackView() const {
    return FStackView;
}

void TMainWindow::OnPreviewAllClicked() {
    PreviewNotes(false);
}

void TMainWindow::OnPreviewPalletClicked() {
    PreviewNotes(true);
}

void TMainWindow::OnSavePdfAllClicked() {
    SaveNotesPdf(false);
}

void TMainWindow::OnSavePdfPalletClicked() {
    SaveNotesPdf(true);
}

std::optional<TShippingNotesDocument> TMainWindow::ReadShownNotes(bool ASinglePallet,
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
        FPrompts->Message(this, TPrompts::TKind::Plain, e.Message());
        RunCommand([&] { RefreshOrders(FData->IdCondition(selection.OrderId.toLongLong())); });
        return std::nullopt;
    } catch (const EGravelonError& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    ShowError(AWhat + QLatin1Char('\n') + failure);
    return std::nullopt;
}

void TMainWindow::PreviewNotes(bool ASinglePallet) {
    if (FCalcRunning || FImportRunning)
        return;
    // Everything is read before the preview opens: the preview repaints at will and
    // a database failure must not reach it half way.
    const std::optional<TShippingNotesDocument> document =
        ReadShownNotes(ASinglePallet, QStringLiteral("Не удалось подготовить раскладки к печати."));
    if (!document)
        return;
    FPrompts->PrintPreview(this,
                           ASinglePallet ? QStringLiteral("Печать раскладки")
                                         : QStringLiteral("Печать раскладок"),
                           [&document](QPagedPaintDevice* ADevice) { document->Paint(ADevice); });
}

void TMainWindow::SaveNotesPdf(bool ASinglePallet) {
    if (FCalcRunning || FImportRunning)
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
    FPrompts->Message(this, TPrompts::TKind::Information,
                      QStringLiteral("PDF сохранён в файл:\n") + file);
}
