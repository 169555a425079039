#pragma once

#include "CalculationEngine.h"
#include "CalculationRefusal.h"
#include "CliRun.h"
#include "MemoryCalculationEngine.h"
#include "PartRemark.h"
#include "SheetsPerRow.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlRecord>
#include <QTest>
#include <map>

// Helpers shared by the calculation's tests.
namespace EngineTest {

// The tables a run reads or rewrites, for before/after comparisons.
inline const QStringList WorkingTables = {QStringLiteral("Applicates"),
                                          QStringLiteral("ApplicatePositions"),
                                          QStringLiteral("Palletes"), QStringLiteral("Solutions")};

inline QMap<QString, QStringList> DumpWorking(TDataModule& AData) {
    QMap<QString, QStringList> dump;
    for (const QString& t : WorkingTables)
        dump.insert(t, TestDb::Dump(AData, t));
    return dump;
}

// A material of its own, for limits the reference materials do not have.
inline qlonglong AddMaterial(TDataModule& AData, double AWeight1m2, const QVariant& AMaxH) {
    AData.ExecSql(QStringLiteral("insert into Materials (Name, Width, Weight1m2, MaxH) "
                                 "values ('Тестовый', 8, :w, :h)"),
                  {{QStringLiteral(":w"), AWeight1m2},
                   {QStringLiteral(":h"),
                    AMaxH.isValid() ? AMaxH : QVariant(QMetaType::fromType<qlonglong>())}});
    return TestDb::LastId(AData, QStringLiteral("Materials"));
}

// A run with its reports ("n/6 text") and cancel polls recorded; the cancel request is
// made at poll number ACancelAtPoll (0: never).
struct TRecordedRun {
    QStringList Reports;
    int Polls = 0;
    int CancelAtPoll = 0;

    template <class TEngine> void Attach(TEngine& AEngine) {
        AEngine.OnProgress = [this](const QString& AStage, int APosition, int AMax) {
            Reports << QStringLiteral("%1/%2 %3").arg(APosition).arg(AMax).arg(AStage);
        };
        AEngine.OnCancel = [this] {
            ++Polls;
            return CancelAtPoll > 0 && Polls >= CancelAtPoll;
        };
    }
};

// Either engine behind one face, for tests that run the same case on both: the literal
// engine (the reference) or the in-memory one.
class TAnyEngine {
public:
    TAnyEngine(bool AMemory, const QSqlDatabase& AConnection)
        : FMemory(AMemory), FLiteral(AConnection), FInMemory(AConnection) {}
    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;
    int PassLimit = CalculationRules::DefaultPassLimit;

    void Execute() {
        if (FMemory)
            Run(FInMemory);
        else
            Run(FLiteral);
    }
    qint64 StatementCount() const {
        return FMemory ? FInMemory.StatementCount() : FLiteral.StatementCount();
    }

private:
    template <class TEngine> void Run(TEngine& AEngine) {
        AEngine.OnProgress = OnProgress;
        AEngine.OnCancel = OnCancel;
        AEngine.PassLimit = PassLimit;
        AEngine.Execute();
    }

    bool FMemory;
    TPalletCalculationEngine FLiteral;
    TMemoryCalculationEngine FInMemory;
};

// Rows "sqlite literal", "sqlite memory", "postgres literal", "postgres memory" with the
// columns "backend" and "memory".
inline void AddEngineRows() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("memory");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 literal").arg(QLatin1String(name))))
            << backend << false;
        QTest::newRow(qPrintable(QStringLiteral("%1 memory").arg(QLatin1String(name))))
            << backend << true;
    }
}

// A generated order of realistic positions: several colours, lengths 1200-3600 mm,
// widths 190-1500 mm, 1-200 sheets (mostly few), a weight limit of 800-1500 kg.
inline qlonglong AddGeneratedOrder(TDataModule& AData, quint32 ASeed, int APositions) {
    QRandomGenerator random(ASeed);
    const qlonglong material = 1 + random.bounded(4);
    const double maxW = 800 + 50 * random.bounded(15);
    const int colourCount = 2 + random.bounded(4);
    QList<qlonglong> colours;
    while (colours.size() < colourCount) {
        const qlonglong c = 1 + random.bounded(12);
        if (!colours.contains(c))
            colours << c;
    }
    QList<TestDb::TPos> positions;
    for (int i = 0; i < APositions; ++i) {
        TestDb::TPos p;
        p.Width = 1200 + 10 * random.bounded(241);
        p.Height = 190 + 5 * random.bounded(263);
        p.ColorID = colours.at(random.bounded(colours.size()));
        // Mostly a few sheets, now and then a stack that stage 1 has to split.
        const int kind = random.bounded(100);
        p.Quantity = kind < 80   ? 1 + random.bounded(6)
                     : kind < 95 ? 7 + random.bounded(34)
                                 : 41 + random.bounded(160);
        positions << p;
    }
    return TestDb::AddOrder(AData, QStringLiteral("G-%1").arg(ASeed), QDate(2024, 3, 1), material,
                            maxW, positions);
}

struct TStoredPallet {
    qlonglong Colour = 0;
    qlonglong Area = 0; // Width*Height*Quantity of the contents
    qlonglong Rows = 0;
    QSet<qlonglong> Colours;
};

// What the tables hold after a run, read back through SQL.
struct TStored {
    std::map<qlonglong, TStoredPallet> Pallets;
    // Sheets per position as the customer ordered them: a part counts for the
    // position its remark names.
    std::map<qlonglong, qlonglong> Sheets;
    int Placements = 0;
    QStringList Faults;
};

inline TStored ReadStored(TDataModule& AData) {
    TStored s;
    // A part names the row it was split off, which may be a part itself: its sheets are
    // the customer's position's at the end of the chain.
    QHash<qlonglong, qlonglong> splitOff;
    for (const QSqlRecord& r :
         AData.OpenSql(QStringLiteral("select ID, Comment from ApplicatePositions")))
        splitOff.insert(r.value(0).toLongLong(), PartRemark::SplitOff(r.value(1).toString()));
    for (const QSqlRecord& r : AData.OpenSql(QStringLiteral(
             "select s.PalleteID, p.ColorID PC, ap.ID, ap.ColorID, ap.Width, ap.Height, "
             "ap.Quantity AQ, s.Quantity SQ, s.QuantityInRow, ap.Comment "
             "from Solutions s inner join ApplicatePositions ap on ap.ID = s.PosID "
             "inner join Palletes p on p.ID = s.PalleteID order by s.ID"))) {
        ++s.Placements;
        const qlonglong q = r.value(QStringLiteral("SQ")).toLongLong();
        const qlonglong h = r.value(QStringLiteral("Height")).toLongLong();
        const qlonglong perRow = r.value(QStringLiteral("QuantityInRow")).toLongLong();
        if (q != r.value(QStringLiteral("AQ")).toLongLong())
            s.Faults << QStringLiteral("placement of part of position %1")
                            .arg(r.value(QStringLiteral("ID")).toLongLong());
        if (perRow != SheetsPerRowRule(h, q))
            s.Faults << QStringLiteral("sheets per row %1 for %2 sheets %3 wide")
                            .arg(perRow)
                            .arg(q)
                            .arg(h);
        TStoredPallet& p = s.Pallets[r.value(QStringLiteral("PalleteID")).toLongLong()];
        p.Colour = r.value(QStringLiteral("PC")).toLongLong();
        p.Colours.insert(r.value(QStringLiteral("ColorID")).toLongLong());
        p.Area += r.value(QStringLiteral("Width")).toLongLong() * h * q;
        p.Rows += (q + perRow - 1) / perRow;
        qlonglong own = r.value(QStringLiteral("ID")).toLongLong();
        while (splitOff.value(own) > 0 && splitOff.value(own) < own) // made before it
            own = splitOff.value(own);
        s.Sheets[own] += q;
    }
    const qlonglong positions =
        AData.OpenSql(QStringLiteral("select count(*) from ApplicatePositions"))
            .value(0)
            .value(0)
            .toLongLong();
    if (positions != s.Placements)
        s.Faults << QStringLiteral("%1 positions, %2 placements").arg(positions).arg(s.Placements);
    return s;
}

// The limits and the checks every stored packing must pass; APallets receives the
// pallets per colour.
inline void CheckStored(TDataModule& AData, const std::map<qlonglong, qlonglong>& AOrdered, double AMaxW,
                 double AWeight1m2, qlonglong AMaxH, std::map<qlonglong, int>* APallets) {
    const TStored s = ReadStored(AData);
    QVERIFY2(s.Faults.isEmpty(), qPrintable(s.Faults.join(QLatin1Char('\n'))));
    for (const auto& [id, p] : s.Pallets) {
        QVERIFY2(static_cast<double>(p.Area) * AWeight1m2 * 1e-6 <= AMaxW,
                 qPrintable(QStringLiteral("pallet %1 weighs %2 of %3")
                                .arg(id)
                                .arg(p.Area * AWeight1m2 * 1e-6)
                                .arg(AMaxW)));
        QVERIFY2(
            p.Rows <= AMaxH,
            qPrintable(
                QStringLiteral("pallet %1 stands %2 rows of %3").arg(id).arg(p.Rows).arg(AMaxH)));
        QCOMPARE(p.Colours, QSet<qlonglong>{p.Colour});
        if (APallets)
            ++(*APallets)[p.Colour];
    }
    QCOMPARE(s.Sheets, AOrdered);
}

// Each position's sheets as ordered, by key.
inline std::map<qlonglong, qlonglong> Ordered(TDataModule& AData) {
    std::map<qlonglong, qlonglong> sheets;
    for (const QSqlRecord& r :
         AData.OpenSql(QStringLiteral("select ID, Quantity from ApplicatePositions")))
        sheets[r.value(0).toLongLong()] = r.value(1).toLongLong();
    return sheets;
}

// A figure of the (one) working order or its material.
inline QVariant OrderValue(TDataModule& AData, const char* AColumn) {
    return AData
        .OpenSql(QStringLiteral("select %1 from Applicates a inner join Materials m on m.ID = "
                                "a.MatID")
                     .arg(QLatin1String(AColumn)))
        .value(0)
        .value(0);
}

// gravelon-cli on the settings file AIni, its output as lines.
struct TCliRun {
    int Code = -1; // -1: crashed or hung
    QStringList Out;
    QString Err;
};

inline TCliRun RunCli(const QString& AIni, const QStringList& AArgs) {
    const CliRun::TResult r = CliRun::Run(AIni, AArgs);
    return {r.Exit, r.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), r.Err};
}

} // namespace EngineTest
