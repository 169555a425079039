#pragma once

#include "WorkbookSheets.h"

#include <QByteArray>
#include <QString>

// Reading an order workbook: the used range of the active sheet (the sheet that was
// active when the workbook was last saved) as texts, with its row and column counts.
// The format is told by the file's content, not its name: .xls (BIFF in a compound
// document), .xlsx (Office Open XML) and .ods (OpenDocument). Any file that cannot
// be read (missing, damaged, truncated, not a workbook, protected by a password, or
// larger than an order can be) throws EGravelonError with a Russian message naming
// the file and the reason.
class TWorkbookReader {
public:
    // The active sheet, or the first worksheet when the file names none.
    static TSheetValues ReadActiveSheet(const QString& AFileName);
    // The same for a workbook already in memory; AFileName only names it in messages.
    static TSheetValues ReadActiveSheet(const QByteArray& ABytes, const QString& AFileName);
    // Every worksheet, for a caller that looks for the sheet holding something.
    static TWorkbookSheets Sheets(const QString& AFileName);
    static TWorkbookSheets Sheets(const QByteArray& ABytes, const QString& AFileName);

    // The file's bytes, at most MaxFileBytes of them. Anything but a regular file (a
    // device, a FIFO, a socket) is refused before it is opened.
    static QByteArray ReadFile(const QString& AFileName);

    // Largest workbook file read.
    static constexpr qint64 MaxFileBytes = 256ll * 1024 * 1024;

private:
    // The format's reader, told by the content.
    static TWorkbookSheets Format(const QByteArray& ABytes, const QString& AFileName);
};
