#include "ExportArgs.h"

#include "DataModule.h"
#include "Errors.h"
#include "LayoutExport.h"
#include "SqlRun.h"

namespace {

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

} // namespace

bool ParseExportArgs(const QStringList& AArgs, TExportArgs* AOut, QString* AWhy) {
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

TExportSelection ResolveExportSelection(TDataModule& AData, const TExportArgs& AArgs) {
    TExportSelection selection;
    const qlonglong order = ResolveOrder(AData, AArgs);
    selection.OrderId = order;
    AData.OpenPallets(order);
    // An empty file would pass for the order's notes; there is nothing to print yet.
    if (AData.Pallets()->RowCount() == 0)
        throw EGravelonError(QStringLiteral("У заявки %1 нет поддонов: сначала рассчитайте "
                                            "поддоны (gravelon-cli calc)")
                                 .arg(order));
    if (!AArgs.HasPallet)
        return selection;
    // The pallet numbered as the pallet list numbers it, as its label shows.
    const qlonglong pallet = Key(AArgs.Pallet, QStringLiteral("Номер поддона"));
    const TStaticQueryModel* list = AData.Pallets();
    for (int row = 0; row < list->RowCount(); ++row) {
        if (list->Value(row, QStringLiteral("id")).toLongLong() == pallet) {
            selection.PalletId = pallet;
            selection.PalletNumber = list->Value(row, QStringLiteral("Number")).toInt();
        }
    }
    if (!selection.PalletId.isValid())
        throw EGravelonError(
            QStringLiteral("Поддон %1 не найден в заявке %2").arg(pallet).arg(order));
    return selection;
}
