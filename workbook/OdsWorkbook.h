#pragma once

#include "WorkbookSheets.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// OpenDocument spreadsheets (.ods), read from content.xml: its tables, the one named
// ActiveTable in settings.xml being the active one, every cell as the
// file saved it (formula cells by their saved value, nothing recalculated), texts with
// their spaces, tabs and line breaks, dates as dd.MM.yyyy. Repeated rows and cells are
// counted without being spread out unless they hold a value.
class TOdsWorkbook {
public:
    static TWorkbookSheets Sheets(const QByteArray& ABytes, const QString& AFileName);
    // The saved active table's name; empty when the file does not say.
    static QString ActiveTable(const QByteArray& ASettingsXml);
    static QString ActiveTable(QIODevice* ASettingsXml);
};
