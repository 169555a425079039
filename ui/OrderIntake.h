#pragma once

#include <QObject>
#include <QPointer>
#include <exception>
#include <functional>

class QDate;
class QWidget;
class TCalculationRunner;
class TDataModule;
class TNewOrderDialog;
class TPrompts;
class TSheetValues;
class TWindowWork;
class TWorkerThread;

// One part of the main window: the "Новая заявка" command. The workbook is read on the
// worker thread; the checks, the New-order dialog and the storing follow on the window's
// thread, then the calculation the window's option asks for.
class TOrderIntake : public QObject {
    Q_OBJECT
public:
    // What the command needs of the rest of the window. ShowList may throw: its failure
    // is the import's.
    struct TWindowSide {
        std::function<void(const QString& AFile)> ShowFile;  // the order-file field
        std::function<void(const QDate& ADay)> ShowStoredDay; // the picker on the new day
        std::function<void()> ShowList;                       // the list at the picker's day
        std::function<void()> Unchanged; // nothing stored: the order shown may be printed again
        std::function<void(const QString& AText)> ShowError;
        std::function<bool()> AutoCalculation;
        // Calculates the stored order; the list is shown again once the run has ended.
        std::function<void(qlonglong AOrderId)> Calculate;
        std::function<void()> EnableCalculation;
        // The workbook's order was stored (the recent workbooks remember it).
        std::function<void(const QString& AFile)> Imported;
    };

    TOrderIntake(TDataModule* AData, TPrompts* APrompts, TWindowWork* AWork,
                 TWorkerThread* AWorker, TCalculationRunner* AProgress, QWidget* AWindow,
                 TWindowSide ASide);

    // Imports the workbook AFile (the user has chosen it); nothing while another command
    // runs.
    void Import(const QString& AFile);
    // The dialog the next import shows (made on first use).
    TNewOrderDialog* Dialog();
    // A fresh dialog for the next import, so nothing typed for the last order is
    // offered again; the dialog of an import under way stays until it has ended.
    void RenewDialog();

private:
    void Finish(std::exception_ptr AReadFailure, const TSheetValues& AValues);
    // Checks and stores the values and shows the list again; the stored order's key
    // when it is to be calculated at once, otherwise 0.
    qlonglong Store(const TSheetValues& AValues);

    TDataModule* FData;
    TPrompts* FPrompts;
    TWindowWork* FWork;
    TWorkerThread* FWorker;
    TCalculationRunner* FProgress;
    QWidget* FWindow;
    TWindowSide FSide;
    QPointer<TNewOrderDialog> FDialog;
    QString FFile; // of the import under way
};
