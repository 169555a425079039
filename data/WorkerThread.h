#pragma once

#include "DataModule.h"

#include <QObject>
#include <QThread>
#include <exception>
#include <functional>
#include <memory>

// The thread the window's long commands run on: the calculation, the import's reading
// and storing, the layout workbook and the PDF. It has a data module of its own,
// connected to the database the window's module is connected to (a Qt connection
// belongs to the thread that opened it), so the window keeps painting and answering
// while a job works. One job at a time; the window's state sees to that.
class TWorkerThread : public QObject {
    Q_OBJECT
public:
    explicit TWorkerThread(TDataModule* AWindowData, QObject* AParent = nullptr);
    // Waits for the job under way, which the owner has asked to stop first.
    ~TWorkerThread() override;

    using TJob = std::function<void(TDataModule& AData)>;
    // What ended the job: null when it returned, otherwise what it threw.
    using TDone = std::function<void(std::exception_ptr AFailure)>;

    // Runs AJob on the worker thread with the worker's data module, connected (again,
    // when the window's module has connected elsewhere since) before the job starts;
    // ADone runs on this object's thread once the job has ended, however it ended.
    void Start(TJob AJob, TDone ADone);
    // Runs AJob on the worker thread and returns once it has ended, rethrowing what it
    // threw; meanwhile the caller's thread goes on handling events (its window paints),
    // so the caller keeps its own commands off. For a step inside a modal dialog.
    void RunAndWait(TJob AJob);

private:
    TDataModule* FWindowData;
    QThread FThread;
    QObject* FContext; // lives on the worker thread; jobs are queued to it
    // Made, used and destroyed on the worker thread only.
    struct TWorkerData {
        std::unique_ptr<TDataModule> Data;
        QString MadeFrom; // the window's connection it was made beside
    };
    std::shared_ptr<TWorkerData> FWorkerData;
};

