// gravelon-cli dispatch: a pallet scanned at the gate, or where the loading stands, for
// scripts and scanners wired to a shell. The same checks as the window "Отгрузка".

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "PalletDispatch.h"

namespace {

QString Numbers(const QList<int>& ANumbers) {
    QStringList texts;
    for (int n : ANumbers)
        texts << QString::number(n);
    return texts.join(QLatin1Char(' '));
}

int Status(TCliContext& AContext, TPalletDispatch& ADispatch, qlonglong AOrder) {
    const qlonglong order = AOrder > 0 ? AOrder : ADispatch.WorkingOrder();
    if (order == 0) {
        AContext.Err << "Текущей заявки нет: укажите --order ID\n";
        return 1;
    }
    const TDispatchOrder status = ADispatch.Status(order);
    if (status.Id == 0) {
        AContext.Err << QStringLiteral("Заявка %1 не найдена").arg(order) << "\n";
        return 1;
    }
    AContext.Out << "loaded " << status.LoadedCount() << " of " << status.Pallets.size() << "\n";
    const QList<int> waiting = status.NotLoaded();
    if (!waiting.isEmpty())
        AContext.Out << "not loaded: " << Numbers(waiting) << "\n";
    return 0;
}

int CliDispatch(TCliContext& AContext) {
    QStringList args = AContext.Args;
    const bool status = args.removeAll(QStringLiteral("--status")) > 0;
    bool orderGiven = false;
    const QString orderText = CliOption(args, QStringLiteral("--order"), &orderGiven);
    qlonglong order = 0;
    if (orderGiven) {
        bool ok = false;
        order = orderText.trimmed().toLongLong(&ok);
        if (!ok || order <= 0) {
            AContext.Err << "Номер заявки после --order должен быть целым числом\n";
            return 2;
        }
        const int at = args.indexOf(QStringLiteral("--order"));
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
    }
    if (status ? !args.isEmpty() : args.size() != 1) {
        AContext.Err << "Укажите код поддона (GRV-…) или --status [--order ID]\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        TPalletDispatch dispatch(data);
        if (status)
            return Status(AContext, dispatch, order);
        // --order: the order being loaded; a pallet of another one is refused.
        const TScanVerdict v = dispatch.Scan(args.first(), order);
        if (v.Refused()) {
            AContext.Err << v.Message << "\n";
            return 1;
        }
        AContext.Out << v.Message << "\n";
    } catch (const EGravelonError& e) {
        AContext.Err << QStringLiteral("Отметка о погрузке не сохранена: ") << e.Message() << "\n";
        return 1;
    }
    return 0;
}

const TCliRegistration Registration("dispatch", CliDispatch,
                                    "dispatch CODE [--order ID] | dispatch --status [--order ID]");

} // namespace
