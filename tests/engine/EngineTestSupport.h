#pragma once

#include "CalculationEngine.h"
#include "CalculationRefusal.h"
#include "MemoryCalculationEngine.h"
#include "TestDatabase.h"

#include <QRandomGenerator>
#include <QTest>

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

} // namespace EngineTest
