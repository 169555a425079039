#include "WorkerThread.h"

#include <QEventLoop>
#include <QMetaObject>

TWorkerThread::TWorkerThread(TDataModule* AWindowData, QObject* AParent)
    : QObject(AParent), FWindowData(AWindowData), FContext(new QObject),
      FWorkerData(std::make_shared<TWorkerData>()) {
    FThread.setObjectName(QStringLiteral("GravelonWorker"));
    FContext->moveToThread(&FThread);
    FThread.start();
}

TWorkerThread::~TWorkerThread() {
    // The worker's connection is closed on the thread that opened it.
    QMetaObject::invokeMethod(
        FContext,
        [data = FWorkerData, context = FContext] {
            data->Data.reset();
            delete context;
        },
        Qt::QueuedConnection);
    FThread.quit();
    FThread.wait();
}

void TWorkerThread::RunAndWait(TJob AJob) {
    QEventLoop loop;
    std::exception_ptr failure;
    bool ended = false;
    Start(std::move(AJob), [&](std::exception_ptr AFailure) {
        failure = AFailure;
        ended = true;
        loop.quit();
    });
    if (!ended)
        loop.exec();
    if (failure)
        std::rethrow_exception(failure);
}

void TWorkerThread::Start(TJob AJob, TDone ADone) {
    // Read here, on the window's thread, which alone reconnects the window's module.
    const TDataModule::TSource source = FWindowData->Source();
    QMetaObject::invokeMethod(
        FContext,
        [this, data = FWorkerData, source, job = std::move(AJob), done = std::move(ADone)] {
            std::exception_ptr failure;
            try {
                // The window's module connected elsewhere since (the connection
                // settings were changed): the worker follows it.
                if (!data->Data || data->MadeFrom != source.ConnectionName) {
                    data->Data.reset();
                    auto fresh = std::make_unique<TDataModule>();
                    fresh->ConnectAlongside(source);
                    data->Data = std::move(fresh);
                    data->MadeFrom = source.ConnectionName;
                }
                job(*data->Data);
            } catch (...) {
                failure = std::current_exception();
            }
            // Queued to the window's thread; dropped if the owner is gone meanwhile.
            QMetaObject::invokeMethod(
                this,
                [failure, done] {
                    if (done)
                        done(failure);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
