#pragma once

#include "OrderHeader.h"
#include "OrderSheet.h"
#include "SheetValues.h"

#include <QStringList>
#include <functional>

class TDataModule;

// Archives the previous order and records AHeader (the customer found or added, the
// order row, OrderID set) with the workbook's positions, all in one transaction that
// holds the database's write lock: the database then holds either the previous state
// or the whole new order, whatever happens to the process or its connection. Throws,
// having changed nothing, when the header cannot be recorded (the dialog says why and
// stays open for a correction); returns false, having changed nothing, when the
// database refused the positions (the import reports that once the dialog is closed).
using TStoreOrder = std::function<bool(TOrderHeader& AHeader)>;

// What the import asks of the window that runs it. The reader includes no window:
// the main window (or the command-line tool) passes these in.
struct TOrderImportHooks {
    enum class TMessageKind { Plain, Error };
    // A message box with OK: the abort message with its cause, the unknown colours
    // (Plain).
    std::function<void(TMessageKind, const QString&)> ShowMessage;
    // The invalid-rows report, in a window whose text the operator can select and
    // copy. Unset, the report goes to ShowMessage (Error).
    std::function<void(const QString& ACaption, const QString& AText)> ShowReport;
    // Shows the New-order dialog modally; its save hands the header to AStore. True
    // when AStore stored the order (AHeader then holds it, OrderID included); false
    // when the user cancelled or nothing was stored. Nothing of the new order, and no
    // archiving, happens before AStore. The command-line tool stores the header from
    // its options here.
    std::function<bool(TOrderHeader& AHeader, const TStoreOrder& AStore)> AskOrderHeader;
    // The main window's option "производить расчет автоматически. при загрузке заявки".
    bool AutoCalculation = false;
    // Runs the storing of the order (the one transaction of TStoreOrder) with the data
    // module it hands to AStore, and returns once that has ended, passing on what it
    // threw. Unset, the import's own module stores it (the command-line tool); the
    // window stores on its worker thread, so a large order does not stop it.
    std::function<void(const std::function<void(TDataModule& AData)>& AStore)> RunStore;
    // Runs the pallet calculation at once (the option is on).
    std::function<void(qlonglong AOrderId)> RunCalculation;
    // Makes "Расчет поддонов" available (the option is off).
    std::function<void()> EnableCalculation;
    // Folder of the invalid-rows report "Некорректные строки.txt" (the user's
    // desktop); empty writes no file.
    QString DesktopFolder;
};

// How an import ended.
struct TImportResult {
    enum class TOutcome {
        Stored,         // the order and its positions are in the database
        Aborted,        // the abort message was shown; nothing of the order stored
        InvalidRows,    // the invalid-rows report ran; nothing stored
        UnknownColours, // colour codes missing from Colors; nothing stored
        NoHeader        // the order header was not recorded (cancelled); nothing stored
    };
    TOutcome Outcome = TOutcome::Aborted;
    qlonglong OrderID = 0;
    int Positions = 0;
    int Statements = 0;
    QStringList InvalidRowLines;
    QStringList UnknownColours;
    QString ReportFile; // the invalid-rows report written, if any
    QString Detail;     // what went wrong: the cause the abort message names
};

// The order workbook reader: reads, checks and stores one order workbook.
class TOrderImport {
public:
    TOrderImport(TDataModule& AData, TOrderImportHooks AHooks);

    // Reads the workbook's sheet that holds the order (TOrderWorkbook) and imports it. A workbook
    // that cannot be read throws EGravelonError (the caller shows it); everything else the import
    // reports itself through the hooks and returns.
    TImportResult ImportOrderFile(const QString& AFileName);
    // The checks, the order header and the storing, from the sheet's values.
    TImportResult ReadOrderSheet(const TSheetValues& AValues);
    // Stores the positions under the order key in one transaction, statements of at
    // most 100 rows; throws (having stored nothing) when the database refuses any.
    // Returns the number of statements run.
    int InsertOrderPositions(qlonglong AOrderID, const QList<TOrderRow>& ARows);
    // The insert statements for the rows, in row order, each row exactly once.
    static QStringList PositionStatements(qlonglong AOrderID, const QList<TOrderRow>& ARows);

    static const QString AbortMessage;
    // The abort message followed by its cause: what the program shows and the
    // command-line tool prints.
    static QString AbortText(const QString& ACause);
    static const QString ReportFileName;     // "Некорректные строки.txt"
    static const QString ReportCaption;      // the report window's title
    static const QString InvalidRowsHeading; // the report's first lines, before the rows
    static constexpr int RowsPerStatement = 100;
    // The whole report: the heading, the lines, and where the file was written
    // (AReportFile), or why it was not (AFileError); neither when no file was asked for.
    static QString InvalidRowsMessage(const QStringList& ALines, const QString& AReportFile = {},
                                      const QString& AFileError = {});
    // ARows[i]: the sheet rows that name ACodes[i], so the operator finds them.
    static QString UnknownColoursMessage(const QStringList& ACodes, const QList<QList<int>>& ARows);
    // Every row's thickness against the materials: the cause when a row's matches no
    // material or the rows carry more than one, naming the rows; empty otherwise, with
    // the one thickness in AThickness.
    QString ThicknessProblem(const QList<TOrderRow>& ARows, QString* AThickness) const;

private:
    void Message(TOrderImportHooks::TMessageKind AKind, const QString& AText) const;
    TImportResult Abort(const QString& ADetail) const;
    TImportResult ReportInvalidRows(const QStringList& ALines) const;
    // Sets each row's colour key; returns the codes Colors lacks, each once as first
    // written, with the rows naming it in AUnknownRows.
    QStringList MatchColours(QList<TOrderRow>& ARows, QList<QList<int>>* AUnknownRows) const;
    bool StoreOrder(TOrderHeader& AHeader, const QList<TOrderRow>& ARows, TImportResult* AResult);
    static bool StoreWith(TDataModule& AData, TOrderHeader& AHeader, const QList<TOrderRow>& ARows,
                          TImportResult* AResult);
    static int InsertPositions(TDataModule& AData, qlonglong AOrderID,
                               const QList<TOrderRow>& ARows);

    TDataModule& FData;
    TOrderImportHooks FHooks;
};
