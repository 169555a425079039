// gravelon-cli clear-archive: "Очистить архив" without windows. The menu command asks
// first; here --yes is that answer, and without it nothing is deleted.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"

namespace {

int CliClearArchive(TCliContext& AContext) {
    const QString question =
        QStringLiteral("Вы действительно хотите очистить все архивные таблицы? Данные по ранее "
                       "созданным заявкам и раскладкам будут удалены!");
    if (AContext.Args != QStringList{QStringLiteral("--yes")}) {
        AContext.Err << question << "\n"
                     << "Для подтверждения запустите: gravelon-cli clear-archive --yes\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        data.ClearArchive();
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
    return 0;
}

const TCliRegistration Registration("clear-archive", CliClearArchive, "clear-archive --yes");

} // namespace
