#pragma once

#include "SheetValues.h"

#include <QString>

// Compound-document workbooks: .xls (BIFF) through FreeXL, with the saved active
// sheet taken from the WINDOW1 record's itabCur, which FreeXL does not report, read
// through libgsf's OLE reader. A compound document holding an encrypted
// Office Open XML package (an .xlsx saved with a password) is recognised as such.
class TXlsWorkbook {
public:
    static TSheetValues ReadActiveSheet(const QString& AFileName);

    // What the workbook-globals records say, read without FreeXL.
    struct TGlobals {
        bool IsOle = false;       // a compound document at all
        bool HasWorkbook = false; // a BIFF Workbook/Book stream
        bool Encrypted = false;   // FILEPASS, or an EncryptedPackage stream
        int ActiveTab = 0;        // WINDOW1 itabCur
        QStringList SheetNames;   // BOUNDSHEET names in order (BIFF8 only)
    };
    static TGlobals ReadGlobals(const QString& AFileName);
};
