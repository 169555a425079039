#include "OrderWorkbook.h"

#include "OrderSheet.h"
#include "WorkbookReader.h"

QString TOrderSheetChoice::Note() const {
    const QString name = Values.SheetName().isEmpty()
                             ? QStringLiteral("без имени")
                             : QStringLiteral("«%1»").arg(Values.SheetName());
    if (NoActive)
        return QStringLiteral("Заявка взята с листа %1: в книге не отмечен активный лист, а на "
                              "этом листе есть строка заголовков")
            .arg(name);
    if (!ActiveName.isNull())
        return QStringLiteral("Заявка взята с листа %1: на активном листе «%2» нет строки "
                              "заголовков")
            .arg(name, ActiveName);
    return QStringLiteral("Заявка взята с листа %1").arg(name);
}

bool TOrderWorkbook::HasHeader(const TSheetValues& AValues) {
    return !TOrderSheet::MapColumns(AValues).contains(0);
}

TOrderSheetChoice TOrderWorkbook::Read(const QString& AFileName) {
    return Choose(TWorkbookReader::Sheets(AFileName));
}

TOrderSheetChoice TOrderWorkbook::Choose(const TWorkbookSheets& ASheets) {
    TOrderSheetChoice choice;
    const int active = ASheets.Active;
    if (active >= 0) {
        choice.Values = ASheets.Read(active);
        if (HasHeader(choice.Values) || ASheets.Names.size() < 2)
            return choice;
    }
    // The sheets with the header row, read one at a time; the first is kept.
    int found = -1, count = 0;
    TSheetValues first;
    const int last = int(qMin<qsizetype>(ASheets.Names.size(), MaxSheetsSearched + 1));
    for (int i = 0; i < last && (active >= 0 ? count < 2 : count < 1); ++i) {
        if (i == active)
            continue;
        TSheetValues values = ASheets.Read(i);
        if (!HasHeader(values))
            continue;
        if (++count == 1) {
            found = i;
            first = std::move(values);
        }
    }
    if (active < 0) {
        choice.Values = found >= 0 ? std::move(first) : ASheets.Read(0);
        choice.NoActive = found >= 0 && ASheets.Names.size() > 1;
        return choice;
    }
    if (count == 1) {
        choice.ActiveName = ASheets.Names.value(active);
        choice.Values = std::move(first);
    }
    return choice;
}
