// The main window's menu commands, and the places where the order intake and the
// layout export are connected.
#include "Sorter.h"

#include "BDConnect.h"
#include "HelpWindow.h"
#include "Prompts.h"
#include "SColor.h"
#include "StartupServices.h"

void TForm1::N6Click() {
    if (FStartup)
        FStartup->OpenConnectionSettings();
}

void TForm1::N5Click() {
    RunCommand([this] {
        FData->OpenColors();
        TForm5 directory(FData, FPrompts, this);
        directory.exec();
    });
}

void TForm1::N7Click() {
    const auto answer = FPrompts->Confirm(
        this, QStringLiteral("Вы действительно хотите очистить все архивные таблицы? Данные по "
                             "ранее созданным заявкам и раскладкам будут удалены!"));
    if (answer != TPrompts::TAnswer::Ok)
        return;
    RunCommand([this] { ClearArchive(); });
}

void TForm1::ClearArchive() {
    // One transaction: a failing delete leaves the archive whole rather than keeping
    // the pallets' contents of orders whose pallets are gone. Children go first.
    const QSqlDatabase db = FData->Connection();
    TTransaction transaction(db, FData->Dialect(), true);
    for (const char* table : {"Solutions_archive", "Palletes_archive", "ApplicatePositions_archive",
                              "Applicates_archive"})
        SqlRun::Exec(db, QStringLiteral("delete from ") + QLatin1String(table));
    transaction.Commit();
}

void TForm1::N4Click() {
    if (!FHelp)
        FHelp = new THelpWindow(this);
    FHelp->ShowContents();
}

void TForm1::N1Click() {
    if (FStartup)
        FStartup->ShowAboutView();
}

void TForm1::NewZayavkaClick() {
    // The order intake is connected here: ask for the workbook, archive the current
    // order, import it and move the order list to the new order's date.
    FPrompts->Message(this, TPrompts::TKind::Information,
                      QStringLiteral("Загрузка заявок из таблиц пока не подключена."));
}

void TForm1::Button1Click() {
    PrintLayouts(QStringLiteral("1"));
}

void TForm1::Button2Click() {
    PrintLayouts(QStringLiteral("2"));
}

void TForm1::PrintLayouts(const QString& AMode) {
    Q_UNUSED(AMode);
    // The layout export is connected here: ask for the file (the last name chosen is
    // offered again), then write the layouts of every pallet (mode "1") or of the
    // current pallet (mode "2").
    FPrompts->Message(this, TPrompts::TKind::Information,
                      QStringLiteral("Печать раскладок пока не подключена."));
}
