#include "PalletPanel.h"

#include "PlanOrigin.h"

#include "CalculationRun.h"
#include "CalculationRunner.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "EnabledFollower.h"
#include "Errors.h"
#include "LayoutExport.h"
#include "LayoutFileName.h"
#include "PalletLabels.h"
#include "PlanOrigin.h"
#include "Prompts.h"
#include "SettingsLocation.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"
#include "StackView.h"
#include "WindowParts.h"
#include "WindowWork.h"
#include "WorkerThread.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

// The print commands' save dialog: workbooks first, then any file.
const QString LayoutFileFilter = QStringLiteral("Таблицы (*.xls *.xlsx);;Все файлы (*)");
const QString PdfFilter = QStringLiteral("PDF (*.pdf);;Все файлы (*)");
// Milliseconds the proof of an order shown again may take: the window waits for it.
const qint64 StoredProofTime = 150;

} // namespace

TPalletPanel::TPalletPanel(TDataModule* AData, TPrompts* APrompts, TCalculationRunner* AProgress,
                           TWindowWork* AWork, TWorkerThread* AWorker, QWidget* AParent)
    : QWidget(AParent), FData(AData), FPrompts(APrompts), FProgress(AProgress), FWork(AWork),
      FWorker(AWorker) {
    setObjectName(QStringLiteral("PalletPanel"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("PalletSplitter"));
    split->setHandleWidth(3);
    split->setChildrenCollapsible(false);
    v->addWidget(split);

    FPalletsGrid =
        new TDataGrid(QStringLiteral("PalletsGrid"),
                      {{QStringLiteral("Number"), QStringLiteral("№"), 71},
                       {QStringLiteral("Length"), QStringLiteral("Длина"), 0},
                       {QStringLiteral("Width"), QStringLiteral("Ширина"), 0},
                       {QStringLiteral("clrname"), QStringLiteral("Цвет"), 97},
                       {QStringLiteral("clrcode"), QStringLiteral("Код Цвета"), 79},
                       {QStringLiteral("W"), QStringLiteral("Вес, кг."), 74},
                       {QStringLiteral("h"), QStringLiteral("Высота, листов"), 115},
                       {QStringLiteral("wfill"), QStringLiteral("Загрузка по весу, %"), 140},
                       {QStringLiteral("hfill"), QStringLiteral("Загрузка по высоте, %"), 150},
                       {QStringLiteral("loaded"), QStringLiteral("Погружен"), 110},
                       {QStringLiteral("pinned"), QStringLiteral("Закреплен"), 90}},
                      split);
    FPalletsGrid->SetSource(FData->Pallets());
    QHBoxLayout* row3 = WindowParts::CaptionRow(
        split, QStringLiteral("Список поддонов по заявке "), QStringLiteral("PalletsCaption"),
        QStringLiteral("PalletsOrderLabel"), &FPalletsOrderLabel);
    FPrintAllButton = new QPushButton(QStringLiteral("Распечатать все раскладки"), split);
    FPrintAllButton->setObjectName(QStringLiteral("PrintAllButton"));
    FPrintAllButton->setToolTip(QStringLiteral("Раскладки всех поддонов в книгу для печати"));
    row3->addWidget(FPrintAllButton);
    AddPaperButtons(row3, FPrintAllButton, false);
    QWidget* palletsBox = WindowParts::GridBox(split, row3, FPalletsGrid);
    // Under the list: how many pallets and whether fewer could do, with the why. The
    // line takes the room it has rather than widening the window; its tooltip has it whole.
    auto* verdictRow = new QHBoxLayout;
    FVerdictLabel = new QLabel(palletsBox);
    FVerdictLabel->setObjectName(QStringLiteral("PalletsVerdictLabel"));
    FVerdictLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    verdictRow->addWidget(FVerdictLabel, 1);
    // Beside it: which calculation made the plan and whether it was changed by hand.
    FOriginLabel = new QLabel(palletsBox);
    FOriginLabel->setObjectName(QStringLiteral("PlanOriginLabel"));
    verdictRow->addWidget(FOriginLabel);
    FWhyButton = new QPushButton(QStringLiteral("Почему столько поддонов?"), palletsBox);
    FWhyButton->setObjectName(QStringLiteral("WhyPalletsButton"));
    FWhyButton->setToolTip(QStringLiteral("Что по каждому цвету определяет число поддонов и "
                                          "доказано ли, что меньше нельзя"));
    FWhyButton->setEnabled(false);
    verdictRow->addWidget(FWhyButton);
    static_cast<QVBoxLayout*>(palletsBox->layout())->addLayout(verdictRow);
    split->addWidget(palletsBox);

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
    FPrintPalletButton->setToolTip(QStringLiteral("Раскладка выбранного поддона в книгу для печати"));
    row4->addWidget(FPrintPalletButton);
    AddPaperButtons(row4, FPrintPalletButton, true);
    split->addWidget(WindowParts::GridBox(split, row4, WithStackView(FContentsGrid)));

    connect(FWhyButton, &QPushButton::clicked, this, &TPalletPanel::OnWhyClicked);
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
    auto* labels = new QPushButton(QStringLiteral("Этикетки…"), parent);
    labels->setObjectName(ASinglePallet ? QStringLiteral("LabelsPalletButton")
                                        : QStringLiteral("LabelsAllButton"));
    labels->setToolTip(ASinglePallet
                           ? QStringLiteral("Этикетка поддона со штрихкодом: просмотр и печать")
                           : QStringLiteral("Этикетки всех поддонов со штрихкодами: просмотр и "
                                            "печать"));
    ARow->addWidget(preview);
    ARow->addWidget(pdf);
    ARow->addWidget(labels);
    // Available exactly when the print button beside them is.
    new TEnabledFollower(APrintButton, {preview, pdf, labels});
    connect(labels, &QPushButton::clicked, this,
            ASinglePallet ? &TPalletPanel::OnLabelsPalletClicked
                          : &TPalletPanel::OnLabelsAllClicked);
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
    FVerdictLabel->clear();
    FVerdictLabel->setToolTip(QString());
    FOriginLabel->clear();
    FPalletNumberLabel->clear();
    FOrder = TShownOrder();
    FVerdict.reset();
    FWhyButton->setEnabled(false);
    FShownPalletId = QVariant();
    FShownPalletNumber = 0;
    DisablePrintCommands();
}

void TPalletPanel::ShowOrder(const TShownOrder& AOrder) {
    // Nothing is printed from details that have not loaded: a failure below leaves no
    // order or pallet to print.
    Clear();
    FPalletsOrderLabel->setText(AOrder.Number);
    FData->OpenPallets(AOrder.Id.toString());
    // A calculated order's pallets are counted, and whether fewer could do is said,
    // whenever and wherever it was calculated.
    const int pallets = PalletCount();
    if (pallets > 0) {
        FVerdict = VerdictFor(AOrder.Id.toLongLong(), pallets);
        FWhyButton->setEnabled(FVerdict.has_value());
        FVerdictLabel->setText(FVerdict ? FVerdict->Caption() : PalletsText(pallets));
        FVerdictLabel->setToolTip(FVerdictLabel->text());
        const std::optional<TPlanOrigin> origin =
            PlanOrigin::Read(FData->Connection(), AOrder.Id.toLongLong());
        FOriginLabel->setText(origin ? origin->Caption() : QString());
        FPalletsGrid->SelectTopRow();
    }
    FOrder = AOrder;
    ShowPalletContents();
}

std::optional<TPlanVerdict> TPalletPanel::VerdictFor(qlonglong AOrderId, qint64 APallets) const {
    const std::optional<TPlanVerdict>& last = FProgress->LastVerdict();
    if (last && FProgress->LastOrderId() == AOrderId && last->Pallets() == APallets)
        return last;
    // Judged here while the window waits: the proof gets less time than in a run.
    std::optional<TPlanVerdict> verdict =
        TPlanVerdict::ForStoredOrder(FData->Connection(), AOrderId, QDeadlineTimer(StoredProofTime));
    // A bound above the count means the material's figures changed since: it no
    // longer speaks of these pallets.
    if (!verdict || verdict->Pallets() != APallets || verdict->Bound() > APallets)
        return std::nullopt;
    return verdict;
}

void TPalletPanel::OnWhyClicked() {
    if (FVerdict)
        FPrompts->ShowText(window(), QStringLiteral("Почему столько поддонов?"),
                           FVerdict->Explanation());
}

void TPalletPanel::ShowPalletContents() {
    FData->PalletContents()->Close();
    FShownPalletId = QVariant();
    FShownPalletNumber = 0;
    FPrintPalletButton->setEnabled(false);
    if (!FOrder.Id.isValid() || PalletCount() == 0)
        return;
    const QVariant pallet = CurrentPalletValue(QStringLiteral("id"));
    const QVariant number = CurrentPalletValue(QStringLiteral("Number"));
    FShownPalletNumber = int(number.toDouble());
    FPalletNumberLabel->setText(QString::number(FShownPalletNumber));
    FData->OpenPalletContents(FOrder.Id, pallet);
    FShownPalletId = pallet;
    FPrintPalletButton->setEnabled(FData->PalletContents()->RowCount() > 0);
}

void TPalletPanel::ShowPallet(qlonglong APallet) {
    for (int row = 0; row < PalletCount(); ++row)
        if (FData->Pallets()->Value(row, QStringLiteral("id")).toLongLong() == APallet) {
            FPalletsGrid->SetCurrentRow(row);
            ShowPalletContents();
            break;
        }
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

void TPalletPanel::TellSaved(const QString& ASaid, const QString& AFile, bool AOpenFailed) {
    const QString notOpened = QStringLiteral("Открыть файл не удалось: в системе не задана "
                                             "программа для файлов этого типа.");
    const int choice = FPrompts->Choose(
        window(), TPrompts::TKind::Information,
        AOpenFailed ? ASaid + QStringLiteral("\n\n") + notOpened : ASaid,
        {QStringLiteral("Открыть файл"), QStringLiteral("Открыть папку"), QStringLiteral("Закрыть")});
    if (!FOpenFile || (choice != 0 && choice != 1))
        return;
    const QString target = choice == 0 ? AFile : QFileInfo(AFile).absolutePath();
    if (!FOpenFile(target))
        FPrompts->Message(window(), TPrompts::TKind::Warning,
                          choice == 0 ? notOpened
                                      : QStringLiteral("Открыть папку не удалось:\n") +
                                            QDir::toNativeSeparators(target));
}

void TPalletPanel::SetStateFile(const QString& AFile) {
    FStateFile = AFile;
    if (AFile.isEmpty())
        return;
    const QSettings state(AFile, QSettings::IniFormat);
    FLastSaveName = state.value(QStringLiteral("SaveDialogs/Workbook")).toString();
    FLastPdfName = state.value(QStringLiteral("SaveDialogs/Pdf")).toString();
}

void TPalletPanel::Remember(const QString& AKey, const QString& AFile) {
    (AKey.endsWith(QLatin1String("Pdf")) ? FLastPdfName : FLastSaveName) = AFile;
    if (!FStateFile.isEmpty())
        QSettings(FStateFile, QSettings::IniFormat).setValue(AKey, AFile);
}

void TPalletPanel::SetOpenFile(std::function<bool(const QString&)> AOpenFile) {
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
        selection.PalletNumber = FShownPalletNumber;
    }
    return selection;
}

void TPalletPanel::PrintLayouts(bool ASinglePallet) {
    if (FWork->Busy())
        return;
    const QString file = AskSaveName(QStringLiteral("Сохранить раскладки"), LayoutFileFilter,
                                     TLayoutFileName::WorkbookSuffix, ASinglePallet, FLastSaveName);
    if (file.isEmpty() || !FWork->Begin(TWindowWork::TKind::Layouts))
        return;
    Remember(QStringLiteral("SaveDialogs/Workbook"), file);
    // What the pallet list shows: the export refuses an order that no longer has
    // these pallets, and the window then shows the order as it now is.
    const TExportSelection selection = ShownSelection(ASinglePallet);
    const QList<qlonglong> shown = ShownPallets();
    const QString programFolder = GravelonSettings::ProgramFolder();
    const std::shared_ptr<TJobChannel> channel =
        FProgress->ShowPanel(QStringLiteral("Выгрузка раскладок"), true);
    // What the export tells the user, told once it has ended and the window is free.
    struct TTold {
        QList<std::pair<TExportCallbacks::TMessageKind, QString>> Messages;
        QString Opened;
        bool OrderChanged = false;
        bool Written = false; // the bar starts empty again; a failure leaves it where it stopped
    };
    auto told = std::make_shared<TTold>();
    FWorker->Start(
        [=](TDataModule& AData) {
            auto steps = std::make_shared<std::pair<int, int>>(0, 1);
            TExportCallbacks cb;
            cb.SetProgressMaximum = [channel, steps](int AMax) {
                *steps = {0, AMax};
                channel->Step(0, AMax);
            };
            cb.StepProgress = [channel, steps] { channel->Step(++steps->first, steps->second); };
            cb.ShowMessage = [told](TExportCallbacks::TMessageKind AKind, const QString& AText) {
                told->Messages.append({AKind, AText});
            };
            cb.OpenFile = [told](const QString& AFile) { told->Opened = AFile; };
            cb.ResetProgress = [told] { told->Written = true; };
            cb.Canceled = [channel] { return channel->Stopping(); };
            TLayoutExport exporter(AData, programFolder, cb);
            exporter.RequireShownPallets(shown);
            exporter.ExportLayouts(
                file, ASinglePallet ? TLayoutScope::OnePallet : TLayoutScope::AllPallets,
                selection);
            told->OrderChanged = exporter.OrderChanged();
        },
        [=, this](std::exception_ptr AFailure) {
            FProgress->HidePanel(told->Written);
            FWork->End(AFailure ? QStringLiteral("Раскладки не выгружены")
                                : QStringLiteral("Раскладки выгружены"));
            const bool openFailed =
                !told->Opened.isEmpty() && FOpenFile && !FOpenFile(told->Opened);
            for (const auto& [kind, text] : told->Messages) {
                if (kind == TExportCallbacks::TMessageKind::Information && !told->Opened.isEmpty())
                    TellSaved(text, told->Opened, openFailed);
                else
                    FPrompts->Message(window(), TPrompts::TKind::Plain, text);
            }
            if (AFailure)
                ShowError(TLayoutExport::FailureMessage + QLatin1Char('\n') +
                          FailureText(AFailure));
            if (told->OrderChanged)
                emit OrderChanged(selection.OrderId.toLongLong());
        });
}

QString TPalletPanel::FailureText(std::exception_ptr AFailure) {
    try {
        std::rethrow_exception(AFailure);
    } catch (const EGravelonError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("неизвестная ошибка");
    }
}

void TPalletPanel::WithShownNotes(bool ASinglePallet, const QString& AWhat, const QString& APdf,
                                  std::function<void(const TShippingNotesDocument&)> AThen) {
    if (!FWork->Begin(TWindowWork::TKind::Pdf))
        return;
    const TExportSelection selection = ShownSelection(ASinglePallet);
    const QList<qlonglong> shown = ShownPallets();
    const QString programFolder = GravelonSettings::ProgramFolder();
    const std::shared_ptr<TJobChannel> channel =
        FProgress->ShowPanel(APdf.isEmpty() ? QStringLiteral("Подготовка раскладок к печати")
                                            : QStringLiteral("Сохранение PDF"),
                             !APdf.isEmpty());
    auto document = std::make_shared<std::optional<TShippingNotesDocument>>();
    FWorker->Start(
        [=](TDataModule& AData) {
            // Everything is read before anything is painted: the preview repaints at
            // will and a database failure must not reach it half way.
            TShippingNoteReader reader(AData);
            reader.RequireShownPallets(shown);
            document->emplace(reader.Read(selection, ASinglePallet), programFolder);
            if (!APdf.isEmpty())
                (*document)->SavePdf(APdf, [channel](int ADone, int ATotal) {
                    channel->Step(ADone, ATotal);
                    return !channel->Stopping();
                });
        },
        [=, this](std::exception_ptr AFailure) {
            FProgress->HidePanel();
            FWork->End(AFailure ? QStringLiteral("Раскладки не подготовлены")
                                : QStringLiteral("Раскладки готовы"));
            try {
                if (AFailure)
                    std::rethrow_exception(AFailure);
            } catch (const EOrderChanged& e) {
                // What the workbook print says and does: the order is shown as it now is.
                FPrompts->Message(window(), TPrompts::TKind::Plain, e.Message());
                emit OrderChanged(selection.OrderId.toLongLong());
                return;
            } catch (const EWorkCanceled& e) {
                FPrompts->Message(window(), TPrompts::TKind::Plain, e.Message());
                return;
            } catch (...) {
                ShowError(AWhat + QLatin1Char('\n') + FailureText(std::current_exception()));
                return;
            }
            AThen(**document);
        });
}

void TPalletPanel::PreviewNotes(bool ASinglePallet) {
    if (FWork->Busy())
        return;
    WithShownNotes(ASinglePallet,
                   QStringLiteral("Не удалось подготовить раскладки к печати."), QString(),
                   [this, ASinglePallet](const TShippingNotesDocument& ADocument) {
                       FPrompts->PrintPreview(
                           window(),
                           ASinglePallet ? QStringLiteral("Печать раскладки")
                                         : QStringLiteral("Печать раскладок"),
                           [&ADocument](QPagedPaintDevice* ADevice) { ADocument.Paint(ADevice); });
                   });
}

void TPalletPanel::OnLabelsAllClicked() {
    PreviewLabels(false);
}

void TPalletPanel::OnLabelsPalletClicked() {
    PreviewLabels(true);
}

void TPalletPanel::PreviewLabels(bool ASinglePallet) {
    if (FWork->Busy())
        return;
    // A label says what the pallet's note says: read the same way, on the worker.
    const int count = PalletCount();
    const TLabelPaper paper =
        FLabelsOnA4 && FLabelsOnA4() ? TLabelPaper::A4Four : TLabelPaper::Label100x150;
    WithShownNotes(ASinglePallet, QStringLiteral("Не удалось подготовить этикетки к печати."),
                   QString(), [this, count, paper](const TShippingNotesDocument& ANotes) {
                       QList<TPalletLabel> labels;
                       for (const TShippingNote& note : ANotes.Notes())
                           labels << TPalletLabel::FromNote(note, count);
                       const TPalletLabelsDocument document(labels, paper);
                       FPrompts->PrintPreview(
                           window(), QStringLiteral("Этикетки поддонов"),
                           [&document](QPagedPaintDevice* ADevice) { document.Paint(ADevice); });
                   });
}

void TPalletPanel::SaveNotesPdf(bool ASinglePallet) {
    if (FWork->Busy())
        return;
    const QString file = AskSaveName(QStringLiteral("Сохранить PDF"), PdfFilter,
                                     TLayoutFileName::PdfSuffix, ASinglePallet, FLastPdfName);
    if (file.isEmpty())
        return;
    Remember(QStringLiteral("SaveDialogs/Pdf"), file);
    WithShownNotes(ASinglePallet, QStringLiteral("Не удалось сохранить PDF."), file,
                   [this, file](const TShippingNotesDocument&) {
                       TellSaved(QStringLiteral("PDF сохранён в файл:\n") + file, file);
                   });
}
