// gravelon-cli import: the "Новая заявка" command without windows. The workbook is read
// and checked; then, in one transaction, the previous order goes to the archive, the
// header is recorded as the New-order dialog records it (customer found or added) and
// the positions are stored.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "NewOrderCommand.h"
#include "OrderHeaderStore.h"

#include <QDate>

namespace {

const char* const ImportUsage =
    "import FILE --number N --customer NAME --max-weight KG --material ID "
    "[--date YYYY-MM-DD] [--comment TEXT]";

struct TImportOptions {
    QString File;
    TOrderHeader Header;
};

// Reads the arguments; false (with the reason on standard error) when they do not do.
bool ParseOptions(TCliContext& AContext, TImportOptions* AOptions) {
    const QStringList valued = {"--number",   "--customer", "--max-weight",
                                "--material", "--date",     "--comment"};
    QStringList files;
    for (int i = 0; i < AContext.Args.size(); ++i) {
        const QString& a = AContext.Args.at(i);
        if (valued.contains(a)) {
            if (i + 1 >= AContext.Args.size()) {
                AContext.Err << "Не указано значение параметра " << a << "\n";
                return false;
            }
            ++i;
        } else if (a.startsWith(QLatin1String("--"))) {
            AContext.Err << "Неизвестный параметр " << a << "\n";
            return false;
        } else {
            files << a;
        }
    }
    if (files.size() != 1) {
        AContext.Err << "Укажите один файл заявки\n";
        return false;
    }
    AOptions->File = files.first();
    TOrderHeader& h = AOptions->Header;
    bool given[4] = {};
    h.Number = CliOption(AContext.Args, QStringLiteral("--number"), &given[0]);
    h.CustomerName = CliOption(AContext.Args, QStringLiteral("--customer"), &given[1]);
    h.MaxWeight = CliOption(AContext.Args, QStringLiteral("--max-weight"), &given[2]);
    h.MaterialID = CliOption(AContext.Args, QStringLiteral("--material"), &given[3]);
    h.Comment = CliOption(AContext.Args, QStringLiteral("--comment"));
    // The dialog's own checks: the four boxes must be filled.
    if (!given[0] || h.Number.isEmpty())
        AContext.Err << "Не заполнено поле № заявки\n";
    if (!given[1] || h.CustomerName.isEmpty())
        AContext.Err << "Не заполнено поле заказчик\n";
    if (!given[2] || h.MaxWeight.isEmpty())
        AContext.Err << "Не указан максимальный вес поддона\n";
    if (!given[3] || h.MaterialID.isEmpty())
        AContext.Err << "Не выбран материал\n";
    if (h.Number.isEmpty() || h.CustomerName.isEmpty() || h.MaxWeight.isEmpty() ||
        h.MaterialID.isEmpty())
        return false;
    const QString weightProblem = TOrderHeaderStore::MaxWeightProblem(h.MaxWeight);
    if (!weightProblem.isEmpty()) {
        AContext.Err << weightProblem << "\n";
        return false;
    }
    bool isKey = false;
    h.MaterialID.toLongLong(&isKey);
    if (!isKey) {
        AContext.Err << "Ключ материала «" << h.MaterialID << "» не является целым числом\n";
        return false;
    }
    bool hasDate = false;
    const QString dateText = CliOption(AContext.Args, QStringLiteral("--date"), &hasDate);
    h.Date =
        hasDate ? QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd")) : QDate::currentDate();
    if (!h.Date.isValid()) {
        AContext.Err << "Неверная дата «" << dateText << "»: ожидается ГГГГ-ММ-ДД\n";
        return false;
    }
    h.DateText = h.Date.toString(QStringLiteral("dd.MM.yyyy"));
    return true;
}

int CliImport(TCliContext& AContext) {
    TImportOptions options;
    if (!ParseOptions(AContext, &options)) {
        AContext.Err << "Использование: gravelon-cli [--settings INI] " << ImportUsage << "\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;

    TOrderImportHooks hooks;
    // The abort message with its cause, the unknown colours and the invalid-rows
    // report, as the program shows them. The tool writes no desktop file, so the
    // report says nothing of one.
    const auto print = [&AContext](const QString& AText) {
        AContext.Err << QString(AText).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                     << "\n";
    };
    hooks.ShowMessage = [print](TOrderImportHooks::TMessageKind, const QString& AText) {
        print(AText);
    };
    hooks.ShowReport = [print](const QString&, const QString& AText) { print(AText); };
    hooks.AskOrderHeader = [&](TOrderHeader& AHeader, const TStoreOrder& AStore) {
        const QString sheetThickness = AHeader.SheetThickness;
        AHeader = options.Header;
        AHeader.SheetThickness = sheetThickness;
        // No one to ask whether a material of another thickness is meant: the weights
        // would come out wrong, so the tool refuses it.
        const TOrderHeaderStore store(data);
        const QString materialThickness = store.MaterialThickness(AHeader.MaterialID);
        if (!sheetThickness.isEmpty() && !materialThickness.isEmpty() &&
            materialThickness != sheetThickness) {
            AContext.Err << QStringLiteral("Листы заявки толщиной %1 мм, а материал %2 толщиной "
                                           "%3 мм: укажите материал толщиной %1 мм")
                                .arg(sheetThickness, AHeader.MaterialID, materialThickness)
                         << "\n";
            return false;
        }
        try {
            // Unlike the dialog, which stays open for a correction, the tool gives up
            // at once; the store has then changed nothing, not even the customers.
            return AStore(AHeader);
        } catch (const EDatabaseRetry&) {
            throw; // the command ends with that message
        } catch (const EGravelonError& e) {
            AContext.Err << e.Message() << "\n";
            return false;
        }
    };

    TNewOrderCommand command(data);
    TImportResult result;
    try {
        // The previous order is archived and this one stored in one transaction that
        // holds the write lock, so the working tables never hold two orders, nor one
        // without its positions, nor none, whatever runs beside the command.
        result = command.Import(options.File, hooks);
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
    using TOutcome = TImportResult::TOutcome;
    switch (result.Outcome) {
    case TOutcome::Stored:
        AContext.Out << result.OrderID << "\n";
        return 0;
    case TOutcome::InvalidRows:
    case TOutcome::Aborted:
        // Already printed with its causes above.
        return 1;
    default:
        return 1;
    }
}

const TCliRegistration Registration("import", CliImport, ImportUsage);

} // namespace
