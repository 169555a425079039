// The plan of an order for scripts: its pallets listed, and sheets moved between them
// by the numbers the pallet list shows.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "PlanEdit.h"
#include "WorkingOrder.h"

namespace {

// --order ID, or the working order; 0 with the reason printed when neither is had.
qint64 ChosenOrder(TCliContext& AContext, TDataModule& AData) {
    bool given = false;
    const QString text = CliOption(AContext.Args, QStringLiteral("--order"), &given);
    if (given) {
        bool ok = false;
        const qint64 order = text.toLongLong(&ok);
        if (!ok || order <= 0)
            AContext.Err << "Номер заявки после --order должен быть целым числом\n";
        return ok && order > 0 ? order : 0;
    }
    const qint64 order = WorkingOrder::Id(AData.Connection());
    if (order == 0)
        AContext.Err << "Текущей заявки нет: загрузите заявку или укажите --order\n";
    return order;
}

int CliPallets(TCliContext& AContext) {
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        const qint64 order = ChosenOrder(AContext, data);
        if (order == 0)
            return 1;
        TCliRecords records{
            {"number", "id", "colour", "sheets", "rows", "weight", "pinned"}, {}, true};
        for (const TPlanPallet& p : PlanEdit::Pallets(data, order))
            records.Rows.append({p.Number, p.Id, p.ColourCode, p.Sheets, p.Rows, p.Weight,
                                 p.Pinned ? QStringLiteral("yes") : QStringLiteral("no")});
        return CliPrintRecords(AContext, records) ? 0 : 2;
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
}

int CliMove(TCliContext& AContext) {
    const auto number = [&AContext](const char* AName, qint64* AValue) {
        bool given = false, ok = false;
        const QString text = CliOption(AContext.Args, QString::fromLatin1(AName), &given);
        *AValue = text.toLongLong(&ok);
        if (given && ok && *AValue > 0)
            return true;
        AContext.Err << "После " << AName << " нужно целое положительное число\n";
        return false;
    };
    qint64 from = 0, position = 0, count = 0, to = 0;
    if (!number("--pallet", &from) || !number("--position", &position) ||
        !number("--count", &count))
        return 2;
    const QString target = CliOption(AContext.Args, QStringLiteral("--to"));
    if (target != QLatin1String("new") && !number("--to", &to))
        return 2;
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        TPlanMove move;
        move.Order = ChosenOrder(AContext, data);
        if (move.Order == 0)
            return 1;
        // The list's numbers, read now; the move itself checks again under the lock.
        for (const TPlanPallet& p : PlanEdit::Pallets(data, move.Order)) {
            if (p.Number == from)
                move.FromPallet = p.Id;
            if (p.Number == to)
                move.ToPallet = p.Id;
        }
        if (move.FromPallet == 0 || (to != 0 && move.ToPallet == 0)) {
            AContext.Err << "Поддона " << (move.FromPallet == 0 ? from : to)
                         << " нет в раскладке заявки\n";
            return 1;
        }
        move.Position = position;
        move.Count = count;
        move.AllowLoaded = AContext.Args.contains(QStringLiteral("--force"));
        PlanEdit::Move(data, move);
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
    return 0;
}

// pin / unpin --pallet N [--order ID]
int Pin(TCliContext& AContext, bool APinned) {
    bool given = false, ok = false;
    const int number =
        CliOption(AContext.Args, QStringLiteral("--pallet"), &given).toInt(&ok);
    if (!given || !ok || number <= 0) {
        AContext.Err << "После --pallet нужно целое положительное число\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        const qint64 order = ChosenOrder(AContext, data);
        if (order == 0)
            return 1;
        for (const TPlanPallet& p : PlanEdit::Pallets(data, order))
            if (p.Number == number) {
                PlanEdit::SetPinned(data, order, p.Id, APinned);
                return 0;
            }
        AContext.Err << "Поддона " << number << " нет в раскладке заявки\n";
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
    }
    return 1;
}

int CliPin(TCliContext& AContext) {
    return Pin(AContext, true);
}

int CliUnpin(TCliContext& AContext) {
    return Pin(AContext, false);
}

const TCliRegistration PinRegistration("pin", CliPin, "pin --pallet N [--order ID]");
const TCliRegistration UnpinRegistration("unpin", CliUnpin, "unpin --pallet N [--order ID]");
const TCliRegistration PalletsRegistration("pallets", CliPallets,
                                            "pallets [--order ID] [--format tsv|json]");
const TCliRegistration MoveRegistration(
    "move", CliMove, "move --pallet N --position P --count K --to M|new [--order ID] [--force]");

} // namespace
