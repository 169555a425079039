#pragma once

#include "PalletStack.h"

#include <QList>
#include <QString>
#include <QStringList>

// One shipping note as printed: the fields of a layout block of the workbook (header,
// contents table, totals) and the stack they describe. Texts are as the workbook
// shows them.
struct TShippingNote {
    qlonglong PalletId = 0; // its code GRV-<key> is printed as a barcode; 0: none
    QString OrderNumber;
    QString PalletSize; // "2000 * 1200"
    int Number = 0;     // the pallet's number on the note
    QString Consignee;
    QString OrderSummary;
    QString ColourCode;
    QString ColourName;
    // Rows of TLayoutStatements::ContentsColumns texts, in the layout export's order.
    QList<QStringList> Table;
    double QuantityTotal = 0;
    double AreaTotal = 0;
    TPalletStack Stack;
};
