#pragma once

#include "SheetValues.h"

#include <QByteArray>
#include <QString>

// .xlsx and .ods through liborcus: the used range of the sheet that was active when
// the workbook was last saved. Every liborcus failure becomes a Russian
// EGravelonError naming the file.
class TOrcusWorkbook {
public:
    enum class TFormat { Xlsx, Ods };
    static TSheetValues ReadActiveSheet(const QByteArray& ABytes, TFormat AFormat,
                                        const QString& AFileName);

    // The saved active sheet: its index for .xlsx (workbookView activeTab), its
    // name for .ods (ActiveTable in settings.xml). Empty/-1 when the file does not say.
    static int XlsxActiveTab(const QByteArray& ABytes);
    static QString OdsActiveTable(const QByteArray& ABytes);
};
