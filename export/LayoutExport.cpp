#include "LayoutExport.h"

#include "BlockPicture.h"
#include "DataModule.h"
#include "Errors.h"
#include "LayoutBlocks.h"
#include "LayoutStatements.h"
#include "LayoutWorkbook.h"
#include "PalletBarcode.h"
#include "PalletDispatch.h"
#include "SqlRun.h"

#include <QLocale>
#include <algorithm>
#include <new>
#include <optional>

const QString TLayoutExport::FailureMessage = QStringLiteral("Ошибка формирования ракладки!");
const QString TLayoutExport::SavedMessage = QStringLiteral("Отчет сохранён в файл:");
const QString TLayoutExport::OrderChangedMessage =
    QStringLiteral("Заявка изменена на другом рабочем месте, раскладки не сформированы");

namespace {

// Rows of one block below its first row r, as the shipping note is laid out.
enum TBlockRow {
    RowOrder = 0,  // picture, "Служебная записка №", order number
    RowPallet = 1, // pallet size
    RowNumber = 2, // pallet number, product merged over C..H
    RowSender = 3,
    RowConsignee = 4,
    RowSummary = 5,
    RowMadeOn = 6,
    RowBatch = 7,
    RowColour = 9, // row 8 stays empty
    RowTable = 10, // contents table header; n rows follow
    BarcodeColumn = 7,
    BarcodeBars = 34, // pixels: the code's picture and its text keep within two rows
};

// After the totals row: three signature rows and one empty row, then the next block.
constexpr int NextBlockAfterTotals = 5;

const QString Blank = QStringLiteral("_____________");

const QStringList TableHeader = {QStringLiteral("Длина"),      QStringLiteral("Ширина"),
                                 QStringLiteral("Толщина"),    QStringLiteral("шт."),
                                 QStringLiteral("м2"),         QStringLiteral("К-во в 1 ряду"),
                                 QStringLiteral("Комментарий")};

// A cell text read back as a number, in the locale that wrote it.
double Number(const QString& AText, const char* AColumn) {
    bool ok = false;
    const double v = QLocale().toDouble(AText.trimmed(), &ok);
    if (!ok)
        throw EGravelonError(QStringLiteral("Значение «%1» в столбце %2 не является числом")
                                 .arg(AText, QString::fromUtf8(AColumn)));
    return v;
}

} // namespace

QString TLayoutExport::CutWarning(int ACells) {
    return QStringLiteral("Внимание: текст длиннее 32 767 знаков (больше не вмещает ячейка книги) "
                          "обрезан, ячеек с таким текстом: %1; он кончается знаком «…». Полный "
                          "текст остаётся в заявке.")
        .arg(ACells);
}

TLayoutExport::TLayoutExport(TDataModule& AData, const QString& AProgramFolder,
                             TExportCallbacks ACallbacks)
    : FData(AData), FProgramFolder(AProgramFolder), FCallbacks(std::move(ACallbacks)) {}

void TLayoutExport::RequireShownPallets(const QList<qlonglong>& APallets) {
    FCheckShown = true;
    FShownPallets = APallets;
}

int TLayoutExport::SelectedNumber(const TExportSelection& ASelection) {
    if (ASelection.PalletNumber < 1)
        throw EGravelonError(QStringLiteral("Не выбран поддон: у него нет номера в списке"));
    return ASelection.PalletNumber;
}

QList<qlonglong> TLayoutExport::RequirePallets(TDataModule& AData, const QVariant& AOrderKey,
                                               const QList<qlonglong>& AShown, bool AOnePallet,
                                               const QVariant& APallet) {
    const QList<qlonglong> inOrder = AData.PalletIds(AOrderKey);
    QList<qlonglong> now = inOrder;
    QList<qlonglong> shown = AShown;
    std::sort(now.begin(), now.end());
    std::sort(shown.begin(), shown.end());
    const bool palletKnown = !AOnePallet || now.contains(SqlRun::KeyValue(APallet).toLongLong());
    if (now != shown || !palletKnown)
        throw EOrderChanged(OrderChangedMessage);
    return inOrder;
}

void TLayoutExport::Call(const std::function<void()>& AFunc) {
    if (AFunc)
        AFunc();
}

bool TLayoutExport::ExportLayouts(const QString& AFileName, TLayoutScope AScope,
                                  const TExportSelection& ASelection) {
    FLastError.clear();
    FWarning.clear();
    FOrderChanged = false;
    bool ok = false;
    QString message = FailureMessage;
    try {
        Call(FCallbacks.ShowPanel);
        Run(AFileName, AScope, ASelection);
        ok = true;
    } catch (const EOrderChanged& e) {
        FLastError = e.Message();
        FOrderChanged = true;
        message = e.Message();
    } catch (const EWorkCanceled& e) {
        FLastError = e.Message();
        message = e.Message();
    } catch (const EDatabaseRetry& e) {
        FLastError = e.Message();
        message = FailureMessage + QLatin1Char('\n') + e.Message();
    } catch (const EGravelonError& e) {
        FLastError = e.Message();
        message = FailureMessage + QLatin1Char('\n') + e.Message();
    } catch (const std::bad_alloc&) {
        FLastError = QStringLiteral("не хватает памяти");
        message = FailureMessage + QLatin1Char('\n') +
                  QStringLiteral("Не хватает памяти; закройте другие программы и повторите");
    } catch (const std::exception& e) {
        FLastError = QString::fromLocal8Bit(e.what());
    } catch (...) {
        FLastError = QStringLiteral("неизвестная ошибка");
    }
    if (!ok) {
        // The system's one failure text, then what went wrong where it is known; the
        // progress bar stays where it stopped.
        if (FCallbacks.ShowMessage)
            FCallbacks.ShowMessage(TExportCallbacks::TMessageKind::Plain, message);
        Call(FCallbacks.HidePanel);
        return false;
    }
    Call(FCallbacks.ResetProgress);
    Call(FCallbacks.HidePanel);
    if (FCallbacks.OpenFile)
        FCallbacks.OpenFile(AFileName);
    if (FCallbacks.ShowMessage)
        FCallbacks.ShowMessage(TExportCallbacks::TMessageKind::Information,
                               SavedMessage + QLatin1Char('\n') + AFileName +
                                   (FWarning.isEmpty() ? QString()
                                                       : QStringLiteral("\n\n") + FWarning));
    return true;
}

void TLayoutExport::Run(const QString& AFileName, TLayoutScope AScope,
                        const TExportSelection& ASelection) {
    const TLayoutStatements statements(FData);
    const QVariant order = SqlRun::KeyValue(ASelection.OrderId);
    if (order.isNull())
        throw EGravelonError(QStringLiteral("Не выбрана заявка"));
    // Ends with the export, whatever way; nothing is written to the database.
    TTransaction snapshot(FData.Connection(), FData.Dialect(), TTransactionKind::Read);
    const bool single = AScope == TLayoutScope::OnePallet;
    const QList<qlonglong> inOrder =
        FCheckShown ? RequirePallets(FData, order, FShownPallets, single, ASelection.PalletId)
                    : QList<qlonglong>();
    const QString summary = statements.OrderSummary(order);

    // The export list: the selected pallet with the number its label shows, or every
    // pallet of the order in the pallet list's order, numbered from 1.
    QList<QVariant> pallets;
    int labelNumber = 0;
    if (single) {
        labelNumber = SelectedNumber(ASelection);
        pallets << SqlRun::KeyValue(ASelection.PalletId);
    } else {
        // The check above has just read the list, in this same snapshot.
        for (qlonglong id : FCheckShown ? inOrder : FData.PalletIds(order))
            pallets << id;
    }
    if (FCallbacks.SetProgressMaximum)
        FCallbacks.SetProgressMaximum(int(pallets.size()));

    // Every block is read before the first is written, in two statements.
    const TLayoutBlocks blocks(FData, order,
                               single ? std::optional<QVariant>(pallets.first()) : std::nullopt);

    TLayoutWorkbook book(AFileName);
    // The picture is read once, before the first block needs it; an order without
    // pallets needs none.
    std::optional<TBlockPicture> picture;
    int number = 0;
    int r = 1;
    for (const QVariant& pallet : pallets) {
        number = single ? labelNumber : number + 1;
        book.StartBlock(r);
        if (!picture)
            picture = TBlockPicture::Load(FProgramFolder);
        book.InsertPicture(r + RowOrder, 1, *picture);
        // The pallet's code at the top right, as its label carries it: the loader scans
        // either.
        book.InsertPng(r + RowOrder, BarcodeColumn,
                       TPalletBarcode::Png(PalletCode::Of(pallet.toLongLong()), 2, BarcodeBars),
                       BarcodeBars + 20);

        // A pallet that is no longer the order's (the calculation ran again meanwhile)
        // leaves its header lines empty and its table bare, as the database answers.
        const TLayoutBlock block = blocks.Block(pallet);
        const TLayoutHeader& header = block.Header;
        book.WriteText(r + RowOrder, 2, QStringLiteral("Служебная записка №"));
        book.WriteText(r + RowOrder, 3, header.OrderNumber);
        book.WriteText(r + RowPallet, 2, QStringLiteral("Подд."));
        book.WriteText(r + RowPallet, 3, header.Length + QStringLiteral(" * ") + header.Width);
        book.WriteText(r + RowNumber, 1, QStringLiteral("Под.№"));
        book.WriteText(r + RowNumber, 2, QString::number(number));
        book.MergeText(r + RowNumber, 3, 8, QStringLiteral(" Фиброцементные плиты"));
        book.WriteText(r + RowSender, 1, QStringLiteral("Грузоотправитель:"));
        book.WriteText(r + RowSender, 2, QString());
        book.WriteText(r + RowConsignee, 1, QStringLiteral("Грузополучатель:"));
        book.WriteText(r + RowConsignee, 2, header.Name2);
        book.WriteText(r + RowSummary, 1, QStringLiteral("Общий заказ:"));
        book.WriteText(r + RowSummary, 2, summary);
        book.WriteText(r + RowMadeOn, 1, QStringLiteral("Дата изготовления:"));
        book.WriteText(r + RowMadeOn, 2, Blank);
        book.WriteText(r + RowBatch, 1, QStringLiteral("Номер партии, смена:"));
        book.WriteText(r + RowBatch, 2, Blank);
        book.WriteText(r + RowColour, 1, QStringLiteral("Цвет"));
        book.WriteText(r + RowColour, 2, header.ClrCode);
        book.WriteText(r + RowColour, 3, QLatin1Char('(') + header.ClrName + QLatin1Char(')'));

        QList<QStringList> table = block.Table;
        double quantity = 0;
        double area = 0;
        for (const QStringList& row : table) {
            quantity += Number(row.at(TLayoutStatements::Quantity), "шт.");
            area += Number(row.at(TLayoutStatements::Area), "м2");
        }
        const int n = int(table.size());
        table.prepend(TableHeader);
        book.WriteTable(r + RowTable, 1, table);

        const int totals = r + RowTable + n + 1;
        book.WriteText(totals, 1, QStringLiteral("ИТОГО:"));
        book.WriteNumber(totals, 4, quantity);
        book.WriteNumber(totals, 5, area);
        book.WriteText(totals + 1, 1, QStringLiteral("Контроллер ОТКиЛ"));
        book.WriteText(totals + 1, 2, Blank);
        book.WriteText(totals + 2, 1, QStringLiteral("Оператор:"));
        book.WriteText(totals + 2, 2, Blank);
        book.WriteText(totals + 3, 1, QStringLiteral("Мастер:"));
        book.WriteText(totals + 3, 2, Blank);
        r = totals + NextBlockAfterTotals;
        Call(FCallbacks.StepProgress);
        if (FCallbacks.Canceled && FCallbacks.Canceled())
            throw EWorkCanceled(QStringLiteral("Выгрузка раскладок прервана; файл не записан"));
    }
    book.Commit();
    snapshot.Commit();
    if (book.CutCells() > 0)
        FWarning = CutWarning(book.CutCells());
}
