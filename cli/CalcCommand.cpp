#include "CalculationRun.h"
#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "PlanEdit.h"
#include "Settings.h"
#include "StopRequest.h"

#include <atomic>
#include <csignal>

namespace {

// Set by Ctrl-C; the engine polls it at its cancellation points and rolls back.
std::atomic<bool> CancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void RequestCancel(int) {
    CancelRequested.store(true);
}

// The first Ctrl-C asks the run to stop at its next cancellation point, which rolls
// the transaction back; the previous handling is restored when the run is over.
class TInterruptAsCancel {
public:
    TInterruptAsCancel() {
        CancelRequested.store(false);
        struct sigaction action {};
        action.sa_handler = RequestCancel;
        // A second Ctrl-C ends the process as usual, for a statement that will not end;
        // the database then drops the unfinished transaction itself.
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &FPrevious);
    }
    ~TInterruptAsCancel() { sigaction(SIGINT, &FPrevious, nullptr); }
    TInterruptAsCancel(const TInterruptAsCancel&) = delete;
    TInterruptAsCancel& operator=(const TInterruptAsCancel&) = delete;

private:
    struct sigaction FPrevious {};
};

int CliCalc(TCliContext& AContext) {
    QStringList args = AContext.Args;
    bool engineGiven = false;
    const QString engineName = CliOption(args, QStringLiteral("--engine"), &engineGiven);
    if (engineGiven) {
        const int at = args.indexOf(QStringLiteral("--engine"));
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
    }
    // The in-memory engine is the one the program uses; the literal one, which asks the
    // database every measure, is the reference it is checked against.
    const bool literal = engineName == QLatin1String("literal");
    if (engineGiven && !literal && engineName != QLatin1String("memory")) {
        AContext.Err << "Неизвестный расчет «" << engineName
                     << "»: укажите --engine memory или --engine literal\n";
        return 2;
    }
    // The dense packing is a calculation of its own, not a way of running the five stages.
    const qsizetype dense = args.removeAll(QStringLiteral("--dense"));
    if (dense > 0 && engineGiven) {
        AContext.Err << "--dense и --engine не указываются вместе\n";
        return 2;
    }
    // --force: the order's loaded pallets are calculated anew all the same; their labels
    // go stale and their loading marks with them.
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    // --order: the order the caller believes current; the run refuses another one.
    qlonglong shownOrder = 0;
    const int orderAt = args.indexOf(QStringLiteral("--order"));
    if (orderAt >= 0) {
        bool ok = false;
        if (orderAt + 1 < args.size())
            shownOrder = args.at(orderAt + 1).trimmed().toLongLong(&ok);
        if (!ok || shownOrder <= 0) {
            AContext.Err << "Номер заявки после --order должен быть целым числом\n";
            return 2;
        }
        args.remove(orderAt, 2);
    }
    if (!args.isEmpty()) {
        AContext.Err << "Лишние параметры: " << args.join(QLatin1Char(' ')) << "\n";
        return 2;
    }
    const TInterruptAsCancel interrupt;
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    const auto report = [&AContext](const QString& AStage, int APosition, int AMax) {
        AContext.Out << APosition << '/' << AMax << ' ' << AStage << '\n';
        AContext.Out.flush();
    };
    const qint64 proofTime = GravelonSettings::ReadProofTime(TIniFile(AContext.SettingsPath));
    report(QStringLiteral("Подготовка расчета"), 0, 6);
    try {
        TCalculationRun run(data.Connection(), dense > 0 ? TCalculationMode::Dense
                                               : literal ? TCalculationMode::Literal
                                                         : TCalculationMode::Memory);
        run.OnProgress = report;
        run.OnCancel = [] { return CancelRequested.load() || StopRequest::Requested(); };
        run.SetShownOrder(shownOrder);
        run.SetReplaceLoaded(force);
        run.SetProofTime(proofTime);
        // Pinned pallets stay: the rest of the order is packed anew around them.
        run.SetRecalculation(PlanEdit::AnyPinned(data.Connection()));
        run.Execute();
        for (const QString& line : run.Verdict().ColourLines())
            AContext.Out << CliField(line) << '\n';
        AContext.Out << TCalculationRun::Summary(run.Pallets(), run.Bound()) << '\n';
    } catch (const ECalculationCanceled& e) {
        // Stopped by SIGTERM rather than by the operator's Ctrl-C: the tool's own words.
        if (StopRequest::Requested()) {
            AContext.Err << StopRequest::StoppedMessage << "\n";
            return 1;
        }
        AContext.Err << e.Message() << "\n";
        return 130;
    } catch (const ELoadedPallets& e) {
        AContext.Err << e.Message() << "\n"
                     << "Чтобы пересчитать все равно, укажите --force\n";
        return 1;
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        AContext.Err << QString::fromLocal8Bit(e.what()) << "\n";
        return 1;
    }
    return 0;
}

const TCliRegistration
    Registration("calc", CliCalc,
                 "calc [--dense | --engine memory|literal] [--order ID] [--force]");

} // namespace
