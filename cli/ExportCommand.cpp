// gravelon-cli export: the layout workbook of an order, as the print commands of the
// main window write it, through the very same export.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "LayoutExport.h"
#include "SettingsLocation.h"
#include "SqlRun.h"

#include <QCoreApplication>

namespace {

struct TExportArgs {
    QString File;
    QString Order;
    QString Pallet;
    bool HasOrder = false;
    bool HasPallet = false;
};

bool ParseArgs(const QStringList& AArgs, TExportArgs* AOut, QString* AWhy) {
    for (int i = 0; i < AArgs.size(); ++i) {
        const QString& a = AArgs.at(i);
        if (a == QLatin1String("--order") || a == QLatin1String("--pallet")) {
            if (i + 1 >= AArgs.size()) {
                *AWhy = QStringLiteral("Не указано значение %1").arg(a);
                return false;
            }
            const bool order = a == QLatin1String("--order");
            (order ? AOut->Order : AOut->Pallet) = AArgs.at(++i);
            (order ? AOut->HasOrder : AOut->HasPallet) = true;
        } else if (a.startsWith(QLatin1String("--")) || !AOut->File.isEmpty()) {
            *AWhy = QStringLiteral("Неизвестный параметр «%1»").arg(a);
            return false;
        } else {
            AOut->File = a;
        }
    }
    if (AOut->File.isEmpty()) {
        *AWhy = QStringLiteral("Не указан файл");
        return false;
    }
    return true;
}

qlonglong Key(const QString& AText, const QString& AWhat) {
    bool ok = false;
    const qlonglong key = AText.trimmed().toLongLong(&ok);
    if (!ok)
        throw EGravelonError(QStringLiteral("%1 «%2» не является целым числом").arg(AWhat, AText));
    return key;
}

// The order given, which must exist in the working or the archive tables; without
// one, the current order of the working tables.
qlonglong ResolveOrder(TDataModule& AData, const TExportArgs& AArgs) {
    if (!AArgs.HasOrder) {
        const QVariant id =
            SqlRun::Value(AData.Connection(), QStringLiteral("select max(ID) from Applicates"));
        if (!id.isValid() || id.isNull())
            throw EGravelonError(QStringLiteral("Нет текущей заявки"));
        return id.toLongLong();
    }
    const qlonglong id = Key(AArgs.Order, QStringLiteral("Номер заявки"));
    const QVariant found =
        SqlRun::Value(AData.Connection(),
                      QStringLiteral("select ID from Applicates where ID = :a1 union all "
                                     "select ID from Applicates_archive where ID = :a2"),
                      {{QStringLiteral(":a1"), id}, {QStringLiteral(":a2"), id}});
    if (!found.isValid())
        throw EGravelonError(QStringLiteral("Заявка %1 не найдена").arg(id));
    return id;
}

int CliExport(TCliContext& AContext) {
    TExportArgs args;
    QString why;
    if (!ParseArgs(AContext.Args, &args, &why)) {
        AContext.Err << why << "\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;

    TExportSelection selection;
    QString mode = QStringLiteral("1");
    try {
        const qlonglong order = ResolveOrder(data, args);
        selection.OrderId = order;
        if (args.HasPallet) {
            // The pallet numbered as the pallet list numbers it, as its label shows.
            const qlonglong pallet = Key(args.Pallet, QStringLiteral("Номер поддона"));
            data.OpenPallets(order);
            const TStaticQueryModel* list = data.QPallets;
            for (int row = 0; row < list->RowCount(); ++row) {
                if (list->Value(row, QStringLiteral("id")).toLongLong() == pallet) {
                    selection.PalletId = pallet;
                    selection.PalletNumberText =
                        list->Value(row, QStringLiteral("Number")).toString();
                }
            }
            if (!selection.PalletId.isValid())
                throw EGravelonError(
                    QStringLiteral("Поддон %1 не найден в заявке %2").arg(pallet).arg(order));
            mode = QStringLiteral("2");
        }
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }

    TExportCallbacks callbacks;
    QString failure;
    callbacks.ShowMessage = [&](TExportCallbacks::TMessageKind AKind, const QString& AText) {
        if (AKind == TExportCallbacks::TMessageKind::Plain)
            failure = AText;
    };
    TLayoutExport exporter(data, GravelonSettings::ProgramFolder(), callbacks);
    if (!exporter.ExportLayouts(args.File, mode, selection)) {
        AContext.Err << failure << "\n";
        return 1;
    }
    AContext.Out << args.File << "\n";
    return 0;
}

const TCliRegistration Registration("export", CliExport, "export FILE [--order ID] [--pallet ID]");

} // namespace
