// Hand edits of a plan, on both databases: random sequences of moves, pins,
// recalculations, undos and redos on generated orders keep every sheet placed once, every
// pallet within its limits and of one colour, its size and the list's numbers right; every
// refusal says why and changes nothing.

#include "CalculationRun.h"
#include "EngineTestSupport.h"
#include "Errors.h"
#include "PalletDispatch.h"
#include "PlanEdit.h"
#include "PlanOrigin.h"
#include "RussianNumbers.h"
#include "XlsxReadBack.h"

#include <QSqlRecord>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <thread>
#include <QTest>

using namespace EngineTest;

namespace {


// What a plan must be after any edit, beyond what CheckStored sees.
void CheckPlan(TDataModule& AData, qlonglong AOrder) {
    QCOMPARE(TestDb::Scalar(AData, QStringLiteral("select count(*) from Palletes p where not exists "
                                          "(select 1 from Solutions s where s.PalleteID = p.ID)")),
             0);
    // Sizes as the calculation sets them.
    QCOMPARE(TestDb::Scalar(AData,
                    QStringLiteral(
                        "select count(*) from Palletes p where Length is distinct from (select "
                        "max(ap.Width) from Solutions s inner join ApplicatePositions ap on ap.ID "
                        "= s.PosID where s.PalleteID = p.ID) or Width is distinct from (select "
                        "max(ap.Height*s.QuantityInRow) from Solutions s inner join "
                        "ApplicatePositions ap on ap.ID = s.PosID where s.PalleteID = p.ID)")),
             0);
    const QList<TPlanPallet> pallets = PlanEdit::Pallets(AData, AOrder);
    for (int i = 0; i < pallets.size(); ++i)
        QCOMPARE(pallets.at(i).Number, i + 1);
    // Every part leads to a row that is there.
    QSet<qlonglong> rows;
    QList<qlonglong> named;
    for (const QSqlRecord& r :
         AData.OpenSql(QStringLiteral("select ID, Comment from ApplicatePositions"))) {
        rows.insert(r.value(0).toLongLong());
        named << PartRemark::SplitOff(r.value(1).toString());
    }
    for (qlonglong n : named)
        QVERIFY2(n == 0 || rows.contains(n), qPrintable(QStringLiteral("a part of row %1").arg(n)));
}

struct TPlaced {
    qlonglong Position = 0;
    qlonglong Quantity = 0;
};

QList<TPlaced> Placed(TDataModule& AData, qlonglong APallet) {
    QList<TPlaced> rows;
    for (const QSqlRecord& r : AData.OpenSql(
             QStringLiteral("select PosID, Quantity from Solutions where PalleteID = :p order by ID"),
             {{QStringLiteral(":p"), APallet}}))
        rows.append({r.value(0).toLongLong(), r.value(1).toLongLong()});
    return rows;
}

// The working tables with the pins and the plans' origins.
QMap<QString, QStringList> DumpPlan(TDataModule& AData) {
    QMap<QString, QStringList> dump = DumpWorking(AData);
    for (const QString& t : {QStringLiteral("PalletePins"), QStringLiteral("ApplicatePlans")})
        dump.insert(t, TestDb::Dump(AData, t));
    return dump;
}

// The pinned pallets with their rows, as a recalculation must leave them (a part's
// remark may come to name its customer's position rather than a row joined into it).
QStringList PinnedRows(TDataModule& AData) {
    QStringList rows;
    for (const QSqlRecord& r : AData.OpenSql(QStringLiteral(
             "select p.*, s.*, ap.ID, ap.Width, ap.Height, ap.Quantity, ap.ColorID from PalletePins pp inner join Palletes p on p.ID = "
             "pp.PalleteID inner join Solutions s on s.PalleteID = p.ID inner join "
             "ApplicatePositions ap on ap.ID = s.PosID order by s.ID"))) {
        QStringList cells;
        for (int i = 0; i < r.count(); ++i)
            cells << r.value(i).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QString Origin(TDataModule& AData, qlonglong AOrder) {
    const std::optional<TPlanOrigin> origin = PlanOrigin::Read(AData.Connection(), AOrder);
    return origin ? origin->Caption() : QStringLiteral("(нет)");
}

} // namespace

class TstPlanEdit : public QObject {
    Q_OBJECT
private slots:
    void randomEdits_data();
    void randomEdits();
    void refusals_data();
    void refusals();
    void recalculation_data();
    void recalculation();
    void commandLine_data();
    void commandLine();
    void twoWorkstations_data();
    void twoWorkstations();
    void killedRecalculations_data();
    void killedRecalculations();
};

void TstPlanEdit::randomEdits_data() {
    TestDb::AddBackendRows();
}

// Random sequences of moves, pins, recalculations by either method, undos and redos, as
// an operator's Ctrl+Z and Ctrl+Shift+Z make them: after every step each sheet is placed
// once within the limits, a refusal has changed nothing, a recalculation has left the
// pinned pallets' rows exactly, the plan's origin says what made it, and an undo or a
// redo gives back the tables exactly, keys included.
void TstPlanEdit::randomEdits() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    for (quint32 seed : {31u, 32u, 33u}) {
        for (const char* table : {"Solutions", "Palletes", "ApplicatePositions", "Applicates",
                                  "PalletePins", "ApplicatePlans"})
            d.ExecSql(QStringLiteral("delete from ") + QLatin1String(table));
        const qlonglong order = AddGeneratedOrder(d, seed, 25);
        const std::map<qlonglong, qlonglong> ordered = Ordered(d);
        const double maxW = OrderValue(d, "a.MaxW").toDouble();
        const double weight = OrderValue(d, "m.Weight1m2").toDouble();
        const qlonglong maxH = OrderValue(d, "m.MaxH").toLongLong();
        TCalculationRun(d.Connection(), TCalculationMode::Dense).Execute();
        CheckStored(d, ordered, maxW, weight, maxH, nullptr);
        QCOMPARE(Origin(d, order), QStringLiteral("Раскладка: плотная укладка"));

        QRandomGenerator random(seed);
        int moved = 0, refused = 0, pinned = 0, recalculated = 0, undone = 0, redone = 0;
        struct TStep {
            TPlanSnapshot Before, After;
            QMap<QString, QStringList> TablesBefore, TablesAfter;
        };
        QList<TStep> undo, redo;
        for (int step = 0; step < 60; ++step) {
            const QList<TPlanPallet> pallets = PlanEdit::Pallets(d, order);
            const auto before = DumpPlan(d);
            const TPlanSnapshot plan = PlanEdit::Snapshot(d, order);
            const QString origin = Origin(d, order);
            const int kind = random.bounded(10);
            bool edited = false;
            if (kind <= 4) {
                const TPlanPallet& from = pallets.at(random.bounded(int(pallets.size())));
                const QList<TPlaced> rows = Placed(d, from.Id);
                const TPlaced row = rows.at(random.bounded(int(rows.size())));
                TPlanMove move;
                move.Order = order;
                move.FromPallet = from.Id;
                move.Position = row.Position;
                move.Count = random.bounded(3) == 0 ? row.Quantity : 1 + random.bounded(row.Quantity);
                move.ToPallet = random.bounded(5) == 0
                                    ? 0
                                    : pallets.at(random.bounded(int(pallets.size()))).Id;
                move.SeenFrom = PlanEdit::Contents(d, move.FromPallet);
                move.SeenTo = move.ToPallet ? PlanEdit::Contents(d, move.ToPallet) : QString();
                try {
                    PlanEdit::Move(d, move);
                    ++moved;
                    edited = true;
                    QVERIFY(Origin(d, order).endsWith(QStringLiteral(", изменена вручную")));
                } catch (const EGravelonError& e) {
                    QVERIFY(!e.Message().isEmpty());
                    QCOMPARE(DumpPlan(d), before);
                    ++refused;
                }
            } else if (kind == 5) {
                const TPlanPallet& p = pallets.at(random.bounded(int(pallets.size())));
                PlanEdit::SetPinned(d, order, p.Id, !p.Pinned);
                QCOMPARE(PlanEdit::Pallets(d, order).at(p.Number - 1).Pinned, !p.Pinned);
                QCOMPARE(Origin(d, order), origin); // a pin changes no sheet
                ++pinned;
                edited = true;
            } else if (kind == 6) {
                const QStringList kept = PinnedRows(d);
                const bool dense = random.bounded(2) == 0;
                TCalculationRun run(d.Connection(),
                                    dense ? TCalculationMode::Dense : TCalculationMode::Memory);
                run.SetRecalculation(true);
                run.SetProofTime(50);
                run.Execute();
                QCOMPARE(PinnedRows(d), kept);
                // Hand edits survive only on what was pinned.
                QCOMPARE(Origin(d, order),
                         QStringLiteral("Раскладка: ") +
                             (dense ? QStringLiteral("плотная укладка")
                                    : QStringLiteral("обычный расчет")) +
                             (!kept.isEmpty() && origin.endsWith(QStringLiteral("вручную"))
                                  ? QStringLiteral(", изменена вручную")
                                  : QString()));
                ++recalculated;
                edited = true;
            } else if (kind <= 8) {
                if (undo.isEmpty())
                    continue;
                const TStep last = undo.takeLast();
                PlanEdit::Restore(d, order, last.After, last.Before);
                QCOMPARE(DumpPlan(d), last.TablesBefore);
                redo.append(last);
                ++undone;
            } else {
                if (redo.isEmpty())
                    continue;
                const TStep next = redo.takeLast();
                PlanEdit::Restore(d, order, next.Before, next.After);
                QCOMPARE(DumpPlan(d), next.TablesAfter);
                undo.append(next);
                ++redone;
            }
            if (edited) {
                undo.append({plan, PlanEdit::Snapshot(d, order), before, DumpPlan(d)});
                redo.clear();
            }
            CheckStored(d, ordered, maxW, weight, maxH, nullptr);
            CheckPlan(d, order);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("seed %1 step %2").arg(seed).arg(step)));
        }
        QVERIFY2(moved > 5 && refused > 0 && pinned > 0 && recalculated > 0 && undone > 0 &&
                     redone > 0,
                 qPrintable(QStringLiteral("seed %1: %2 moved, %3 refused, %4 pinned, %5 "
                                           "recalculated, %6 undone, %7 redone")
                                .arg(seed)
                                .arg(moved)
                                .arg(refused)
                                .arg(pinned)
                                .arg(recalculated)
                                .arg(undone)
                                .arg(redone)));
        // What is left to undo, undone one by one, then redone to the last state.
        const auto last = DumpPlan(d);
        for (qsizetype i = undo.size() - 1; i >= 0; --i) {
            PlanEdit::Restore(d, order, undo.at(i).After, undo.at(i).Before);
            QCOMPARE(DumpPlan(d), undo.at(i).TablesBefore);
        }
        if (undo.isEmpty())
            continue;
        // Undoing what is no longer there is refused, with nothing written.
        QVERIFY_THROWS_EXCEPTION(EOrderChanged,
                                 PlanEdit::Restore(d, order, undo.last().After, undo.last().Before));
        QCOMPARE(DumpPlan(d), undo.first().TablesBefore);
        for (const TStep& step : undo)
            PlanEdit::Restore(d, order, step.Before, step.After);
        QCOMPARE(DumpPlan(d), last);
    }
}

void TstPlanEdit::refusals_data() {
    TestDb::AddBackendRows();
}

// 1000 × 1000 mm sheets of 10 kg under a 100 kg limit: ten a pallet. Fifteen of one
// colour stand on two pallets, three of another on a third.
void TstPlanEdit::refusals() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong material = AddMaterial(d, 10.0, 40);
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("Р-1"), QDate(2024, 3, 1), material,
                                             100.0, {{1000, 1000, 1, 15, {}}, {1000, 1000, 2, 3, {}}});
    TCalculationRun(d.Connection(), TCalculationMode::Dense).Execute();
    const QList<TPlanPallet> pallets = PlanEdit::Pallets(d, order);
    QCOMPARE(pallets.size(), 3);
    const TPlanPallet* full = nullptr;
    const TPlanPallet* half = nullptr;
    const TPlanPallet* other = nullptr;
    for (const TPlanPallet& p : pallets)
        (p.Sheets == 3 ? other : p.Sheets == 10 ? full : half) = &p;
    QVERIFY(full && half && other);
    const qlonglong halfPosition = Placed(d, half->Id).first().Position;

    const auto refuse = [&](TPlanMove AMove, const QString& AWhy) {
        AMove.Order = order;
        const auto before = DumpWorking(d);
        QString said;
        try {
            PlanEdit::Move(d, AMove);
        } catch (const EGravelonError& e) {
            said = e.Message();
        }
        QCOMPARE(said, AWhy);
        QCOMPARE(DumpWorking(d), before);
    };
    refuse({0, half->Id, halfPosition, 3, full->Id, {}, {}},
           QStringLiteral("Поддон %1: вес 130 кг больше допустимых 100 кг").arg(full->Number));
    refuse({0, half->Id, halfPosition, 1, other->Id, {}, {}},
           QStringLiteral("Поддон %1 другого цвета: на один поддон кладутся листы одного цвета")
               .arg(other->Number));
    refuse({0, half->Id, halfPosition, half->Sheets + 1, 0, {}, {}},
           QStringLiteral("Поддон %1: позиции %2 на нем %3, переместить можно от 1 до %4")
               .arg(half->Number)
               .arg(halfPosition)
               .arg(RussianNumbers::Count(half->Sheets, "лист", "листа", "листов"))
               .arg(half->Sheets));
    // What the window showed is no longer there: nothing is written.
    refuse({0, half->Id, halfPosition, 1, 0, QStringLiteral("seen elsewhere"), {}},
           QStringLiteral("Поддон изменен на другом рабочем месте"));

    // Two moves that fit: part of the half pallet onto a new one, then back, where the
    // sheets join their row again. The plan was made before the program kept how: it is
    // now said to be changed by hand, and no more.
    QCOMPARE(Origin(d, order), QStringLiteral("Раскладка: плотная укладка"));
    d.ExecSql(QStringLiteral("delete from ApplicatePlans"));
    TPlanMove out{order, half->Id, halfPosition, 2, 0, {}, {}};
    const qlonglong added = PlanEdit::Move(d, out);
    QCOMPARE(Origin(d, order), QStringLiteral("Раскладка изменена вручную"));
    QCOMPARE(PlanEdit::Pallets(d, order).size(), 4);
    const qlonglong part = Placed(d, added).first().Position;
    QVERIFY(part != halfPosition);
    PlanEdit::Move(d, {order, added, part, 2, half->Id, {}, {}});
    QCOMPARE(PlanEdit::Pallets(d, order).size(), 3);
    QCOMPARE(Placed(d, half->Id).size(), 1);
    QCOMPARE(Placed(d, half->Id).first().Quantity, half->Sheets);
    CheckPlan(d, order);

    // A loaded pallet: moves are refused unless told, then its mark goes with them.
    TPalletDispatch(d).Scan(PalletCode::Of(full->Id));
    QVERIFY_THROWS_EXCEPTION(ELoadedPallets,
                             PlanEdit::Move(d, {order, half->Id, halfPosition, 1, 0, {}, {}}));
    QCOMPARE(PlanEdit::Pallets(d, order).size(), 3);
    TPlanMove told{order, half->Id, halfPosition, 1, full->Id, {}, {}};
    told.AllowLoaded = true;
    refuse(told, QStringLiteral("Поддон %1: вес 110 кг больше допустимых 100 кг").arg(full->Number));
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from PalleteLoads")), 1);
    told.ToPallet = 0;
    PlanEdit::Move(d, told);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from PalleteLoads")), 1); // not touched
    d.ExecSql(QStringLiteral("delete from PalleteLoads"));

    // An archived order is read-only, and keeps its word on how its plan was made until
    // the archive is cleared.
    d.Archivation();
    refuse({0, half->Id, halfPosition, 1, 0, {}, {}},
           QStringLiteral("Заявка в архиве: ее раскладку изменить нельзя"));
    QCOMPARE(Origin(d, order), QStringLiteral("Раскладка изменена вручную"));
    d.ClearArchive();
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from ApplicatePlans")), 0);
}

void TstPlanEdit::recalculation_data() {
    TestDb::AddBackendRows();
}

// Each pallet as what it holds: length, width and sheets of its rows, in order.
QStringList Shape(TDataModule& AData) {
    QStringList pallets;
    QMap<qlonglong, QStringList> rows;
    for (const QSqlRecord& r : AData.OpenSql(QStringLiteral(
             "select s.PalleteID, ap.Width, ap.Height, s.Quantity from Solutions s inner join "
             "ApplicatePositions ap on ap.ID = s.PosID order by ap.Width, ap.Height, s.Quantity")))
        rows[r.value(0).toLongLong()] << QStringLiteral("%1x%2:%3")
                                             .arg(r.value(1).toLongLong())
                                             .arg(r.value(2).toLongLong())
                                             .arg(r.value(3).toLongLong());
    for (const QStringList& p : rows)
        pallets << p.join(QLatin1Char(' '));
    pallets.sort();
    return pallets;
}

// Without pins a recalculation, after hand moves, packs as on the fresh order; with pins
// the pinned pallets stay exactly as they were, rows and keys, and every sheet is still
// placed once within the limits.
void TstPlanEdit::recalculation() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddGeneratedOrder(d, 41, 30);
    const std::map<qlonglong, qlonglong> ordered = Ordered(d);
    const double maxW = OrderValue(d, "a.MaxW").toDouble();
    const double weight = OrderValue(d, "m.Weight1m2").toDouble();
    const qlonglong maxH = OrderValue(d, "m.MaxH").toLongLong();
    const auto recalculate = [&] {
        TCalculationRun run(d.Connection(), TCalculationMode::Dense);
        run.SetRecalculation(true);
        run.Execute();
    };
    TCalculationRun(d.Connection(), TCalculationMode::Dense).Execute();
    const QStringList fresh = Shape(d);
    QList<TPlanPallet> pallets = PlanEdit::Pallets(d, order);
    const qlonglong sheet = Placed(d, pallets.first().Id).first().Position;
    PlanEdit::Move(d, {order, pallets.first().Id, sheet, 1, 0, {}, {}});
    QVERIFY(Shape(d) != fresh);
    recalculate();
    QCOMPARE(Shape(d), fresh);
    CheckStored(d, ordered, maxW, weight, maxH, nullptr);

    pallets = PlanEdit::Pallets(d, order);
    QVERIFY(pallets.size() >= 3);
    const QList<qlonglong> pins{pallets.at(0).Id, pallets.at(2).Id};
    for (qlonglong pin : pins)
        PlanEdit::SetPinned(d, order, pin, true);
    const auto pinnedRows = [&] {
        QStringList rows;
        for (qlonglong pin : pins)
            for (const QString& table : {QStringLiteral("Palletes"), QStringLiteral("Solutions")})
                for (const QString& line : TestDb::Dump(d, table))
                    if (line.startsWith(QString::number(pin) + QLatin1Char('|')) ||
                        line.contains(QStringLiteral("|%1|").arg(pin)))
                        rows << table + line;
        return rows;
    };
    const QStringList kept = pinnedRows();
    QVERIFY(kept.size() >= 4);
    // Stopped half way, a recalculation leaves the plan and its origin as they were.
    const auto before = DumpPlan(d);
    TCalculationRun stopped(d.Connection(), TCalculationMode::Memory);
    stopped.SetRecalculation(true);
    int polls = 0;
    stopped.OnCancel = [&] { return ++polls == 3; };
    QVERIFY_THROWS_EXCEPTION(ECalculationCanceled, stopped.Execute());
    QCOMPARE(DumpPlan(d), before);
    recalculate();
    QCOMPARE(pinnedRows(), kept);
    QVERIFY(PlanEdit::Pallets(d, order).at(0).Pinned || PlanEdit::Pallets(d, order).at(2).Pinned);
    CheckStored(d, ordered, maxW, weight, maxH, nullptr);
    CheckPlan(d, order);
}

void TstPlanEdit::commandLine_data() {
    TestDb::AddBackendRows();
}

// gravelon-cli lists the plan by the list's numbers, moves by them, and refuses with the
// reason and exit 1, changing nothing.
void TstPlanEdit::commandLine() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong material = AddMaterial(d, 10.0, 40);
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("Р-2"), QDate(2024, 3, 1), material,
                                             100.0, {{1000, 1000, 1, 15, {}}, {1000, 1000, 2, 3, {}}});
    TCalculationRun(d.Connection(), TCalculationMode::Dense).Execute();
    const auto listed = [&] {
        const TCliRun r = RunCli(db.Db.IniPath, {QStringLiteral("pallets")});
        return r.Code == 0 ? r.Out : QStringList{r.Err};
    };
    QStringList expected{QStringLiteral("number\tid\tcolour\tsheets\trows\tweight\tpinned")};
    const QList<TPlanPallet> pallets = PlanEdit::Pallets(d, order);
    for (const TPlanPallet& p : pallets)
        expected << QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6.00\tno")
                        .arg(p.Number)
                        .arg(p.Id)
                        .arg(p.ColourCode)
                        .arg(p.Sheets)
                        .arg(p.Rows)
                        .arg(p.Weight);
    QCOMPARE(listed(), expected);

    const TPlanPallet& five = *std::find_if(pallets.begin(), pallets.end(),
                                           [](const TPlanPallet& p) { return p.Sheets == 5; });
    const QString position = QString::number(Placed(d, five.Id).first().Position);
    const auto move = [&](const QString& ATo, const QString& ACount) {
        return RunCli(db.Db.IniPath, {QStringLiteral("move"), QStringLiteral("--pallet"),
                                      QString::number(five.Number), QStringLiteral("--position"),
                                      position, QStringLiteral("--count"), ACount,
                                      QStringLiteral("--to"), ATo});
    };
    const auto before = DumpWorking(d);
    const TCliRun heavy = move(QString::number(five.Number == 1 ? 2 : 1), QStringLiteral("5"));
    QCOMPARE(heavy.Code, 1);
    QVERIFY2(heavy.Err.contains(QStringLiteral("больше допустимых 100 кг")), qPrintable(heavy.Err));
    QCOMPARE(move(QStringLiteral("9"), QStringLiteral("1")).Code, 1);
    QCOMPARE(DumpWorking(d), before);
    const TCliRun out = move(QStringLiteral("new"), QStringLiteral("2"));
    QCOMPARE(out.Code, 0);
    QCOMPARE(listed().size(), 5);
    // The shipping notes print the edited plan: a note, with its label's code, a pallet.
    QTemporaryDir notes;
    const QString book = notes.filePath(QStringLiteral("заявка.xlsx"));
    QCOMPARE(RunCli(db.Db.IniPath, {QStringLiteral("export"), book}).Code, 0);
    QCOMPARE(TXlsxReadBack(book).Pictures(1).size(), 4);
    // Pinned by its number, the pallet says so, and a calculation packs around it.
    QCOMPARE(RunCli(db.Db.IniPath, {QStringLiteral("pin"), QStringLiteral("--pallet"),
                                    QStringLiteral("1")})
                 .Code,
             0);
    QVERIFY(listed().at(1).endsWith(QStringLiteral("\tyes")));
    const QString pinned = listed().at(1);
    QCOMPARE(RunCli(db.Db.IniPath, {QStringLiteral("calc"), QStringLiteral("--dense")}).Code, 0);
    QVERIFY2(listed().contains(pinned), qPrintable(listed().join(QLatin1Char('\n'))));
}

void TstPlanEdit::twoWorkstations_data() {
    TestDb::AddBackendRows();
}

// Two gravelon-cli processes moving sheets of one order at once: each move waits for the
// other's lock or is refused, and no sheet is ever lost or doubled.
void TstPlanEdit::twoWorkstations() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("Р-3"), QDate(2024, 3, 1), 1, 1000.0,
                     {{1000, 1000, 1, 15, {}}, {1200, 1000, 1, 15, {}}, {1300, 1000, 1, 15, {}}});
    const std::map<qlonglong, qlonglong> ordered = Ordered(d);
    QStringList positions;
    for (const auto& [id, quantity] : ordered)
        positions << QString::number(id);
    TCalculationRun(d.Connection(), TCalculationMode::Dense).Execute();
    QString stops[2];
    const auto work = [&](quint32 ASeed, int* AMoved) {
        QRandomGenerator random(ASeed);
        for (int step = 0; step < 20; ++step) {
            const QString to = random.bounded(2) == 0 ? QStringLiteral("new")
                                                      : QString::number(1 + random.bounded(3));
            const TCliRun r = RunCli(
                db.Db.IniPath,
                {QStringLiteral("move"), QStringLiteral("--pallet"),
                 QString::number(1 + random.bounded(3)), QStringLiteral("--position"),
                 positions.at(random.bounded(int(positions.size()))), QStringLiteral("--count"),
                 QString::number(1 + random.bounded(3)), QStringLiteral("--to"), to});
            if (r.Code == 0)
                ++*AMoved;
            else if (r.Code != 1 || r.Err.isEmpty()) {
                stops[ASeed % 2] = QStringLiteral("exit %1: %2").arg(r.Code).arg(r.Err);
                return; // crashed, hung or silent
            }
        }
    };
    int first = 0, second = 0;
    std::thread other(work, 7u, &second);
    work(8u, &first);
    other.join();
    QVERIFY2(stops[0].isEmpty() && stops[1].isEmpty(), qPrintable(stops[0] + stops[1]));
    QVERIFY2(first + second > 3, qPrintable(QStringLiteral("%1 + %2 moves").arg(first).arg(second)));
    CheckStored(d, ordered, 1000.0, 14.4, 60, nullptr);
    CheckPlan(d, TestDb::LastId(d, QStringLiteral("Applicates")));
}

void TstPlanEdit::killedRecalculations_data() {
    TestDb::AddBackendRows();
}

// gravelon-cli recalculating around pins, killed at random moments: afterwards the
// tables hold either the plan as it was, origin and hand edits included, or the whole
// recalculation, with the pinned pallets' rows exactly as they were.
void TstPlanEdit::killedRecalculations() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddGeneratedOrder(d, 51, 400);
    const std::map<qlonglong, qlonglong> ordered = Ordered(d);
    const double maxW = OrderValue(d, "a.MaxW").toDouble();
    const double weight = OrderValue(d, "m.Weight1m2").toDouble();
    const qlonglong maxH = OrderValue(d, "m.MaxH").toLongLong();
    TCalculationRun(d.Connection(), TCalculationMode::Memory).Execute();
    QList<TPlanPallet> pallets = PlanEdit::Pallets(d, order);
    PlanEdit::SetPinned(d, order, pallets.first().Id, true);
    PlanEdit::Move(d, {order, pallets.first().Id, Placed(d, pallets.first().Id).first().Position,
                       1, 0, {}, {}});
    const QStringList pinned = PinnedRows(d);
    const QStringList calc{QStringLiteral("--settings"), db.Db.IniPath, QStringLiteral("calc"),
                           QStringLiteral("--dense")};
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(RunCli(db.Db.IniPath, calc.mid(2)).Code, 0);
    const qint64 runMs = timer.elapsed();

    QRandomGenerator random(51u);
    int before = 0, after = 0;
    for (int kill = 0; kill < 12; ++kill) {
        const auto was = DumpPlan(d);
        QProcess run;
        run.start(CliRun::Path(), calc);
        QVERIFY(run.waitForStarted());
        // Mostly while it works, past the program's start, and now and then after it ends.
        QThread::msleep(ulong(runMs / 4 + random.bounded(quint32(runMs + 1))));
        run.kill();
        run.waitForFinished();
        if (DumpPlan(d) == was) {
            ++before;
        } else {
            ++after;
            QCOMPARE(Origin(d, order), QStringLiteral("Раскладка: плотная укладка, изменена вручную"));
        }
        QCOMPARE(PinnedRows(d), pinned);
        CheckStored(d, ordered, maxW, weight, maxH, nullptr);
        CheckPlan(d, order);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("kill %1").arg(kill)));
    }
    qInfo("%d runs killed before their commit, %d after; a whole run %lld ms", before, after, runMs);
}

QTEST_MAIN(TstPlanEdit)
#include "tst_plan_edit.moc"
