#pragma once

#include <QString>
#include <QVariant>

// Names of layout files, workbooks and PDFs alike: the one the save dialog proposes for
// an order, and the name a typed answer becomes.
class TLayoutFileName {
public:
    static const QString WorkbookSuffix; // "xlsx"
    static const QString PdfSuffix;      // "pdf"

    // "Раскладки З-102-10 2026-12-08.xlsx" for every pallet of the order; for one
    // pallet "Раскладка З-102-10 2026-12-08 поддон 3.xlsx". AOrderDate is the order's
    // Date column as either backend returns it (a date, or text starting with
    // YYYY-MM-DD); it is left out when it is missing. APalletNumber < 0: every pallet.
    // ASuffix without its dot.
    static QString Proposed(const QString& AOrderNumber, const QVariant& AOrderDate,
                            int APalletNumber = -1, const QString& ASuffix = WorkbookSuffix);
    // A text made fit for a file name on this and the usual other file systems (the
    // file may be copied to a memory stick or a Windows share): characters a name
    // cannot hold become "-", blanks at either end and trailing dots go.
    static QString SafePart(const QString& AText);
    // Whether the file name ends in a suffix: a dot and a word of letters and digits.
    static bool HasSuffix(const QString& AFileName);
    // The name with "." and ASuffix added when it has no suffix; otherwise as given.
    static QString WithSuffix(const QString& AFileName, const QString& ASuffix);
    static QString WithWorkbookSuffix(const QString& AFileName);
};
