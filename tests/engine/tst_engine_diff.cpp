// The in-memory calculation against the literal one, its reference, on thousands of
// generated orders on both databases: every working table, keys and all, the key
// generators' state afterwards, the progress reports and a refusal's words must be the
// literal engine's.
//
// GRAVELON_ENGINE_DIFF_SQLITE and GRAVELON_ENGINE_DIFF_PG set how many orders each
// database gets (2000 and 200), GRAVELON_ENGINE_DIFF_SEED the first seed (1): SQLite
// takes the seeds from there on, PostgreSQL the ones after SQLite's. A difference names
// the order's seed and how to run that order alone.

#include "EngineTestSupport.h"
#include "OrderGenerator.h"
#include "SqlRun.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

const char* const Tables[] = {"Applicates", "ApplicatePositions", "Palletes", "Solutions"};

// Details printed for the first differences; the rest are only counted.
const int DetailedDifferences = 5;

int EnvCount(const char* AName, int ADefault) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue(AName, &ok);
    return ok && n >= 0 ? n : ADefault;
}

// What a run left behind, as text lines that compare exactly.
struct TOutcome {
    QString Failure; // the refusal or error, with its kind; empty when it ran through
    QStringList Reports;
    QMap<QString, QStringList> Tables;
    QStringList Keys;
};

QString Cell(const QVariant& AValue) {
    if (AValue.isNull())
        return QStringLiteral("NULL");
    if (AValue.typeId() == QMetaType::Double)
        return QString::number(AValue.toDouble(), 'g', 17);
    return AValue.toString();
}

QStringList Dump(const QSqlDatabase& ADb, const QString& ATable) {
    QStringList lines;
    for (const QSqlRecord& r :
         SqlRun::Open(ADb, QStringLiteral("select * from %1 order by ID").arg(ATable))) {
        QStringList cells;
        for (int i = 0; i < r.count(); ++i)
            cells << r.fieldName(i).toLower() + QLatin1Char('=') + Cell(r.value(i));
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

// The last key each working table's generator handed out ("none" before the first).
QStringList Keys(const QSqlDatabase& ADb, const TSqlDialect& ADialect) {
    QStringList keys;
    for (const char* t : Tables) {
        const QString table = QLatin1String(t);
        const QVariant v =
            ADialect.IsPostgres()
                ? SqlRun::Value(ADb, QStringLiteral("select pg_sequence_last_value("
                                                    "pg_get_serial_sequence('%1', 'id')::regclass)")
                                         .arg(table.toLower()))
                : SqlRun::Value(ADb,
                                QStringLiteral("select seq from sqlite_sequence where name = :n"),
                                {{QStringLiteral(":n"), table}});
        keys << table + QLatin1Char('=') +
                    (v.isValid() && !v.isNull() ? v.toString() : QStringLiteral("none"));
    }
    return keys;
}

// Stores the case and calculates it; with ACancelAfter > 0 the operator asks to stop
// as soon as that many reports have been shown.
TOutcome Run(TDataModule& AData, const OrderGenerator::TCase& ACase, bool AMemory,
             int ACancelAfter = 0) {
    const QSqlDatabase db = AData.Connection();
    OrderGenerator::Store(db, AData.Dialect(), ACase);
    TOutcome out;
    EngineTest::TAnyEngine engine(AMemory, db);
    engine.PassLimit = ACase.PassLimit;
    engine.OnProgress = [&out](const QString& AStage, int APosition, int AMax) {
        out.Reports << QStringLiteral("%1/%2 %3").arg(APosition).arg(AMax).arg(AStage);
    };
    engine.OnCancel = [&out, ACancelAfter] {
        return ACancelAfter > 0 && out.Reports.size() >= ACancelAfter;
    };
    try {
        engine.Execute();
    } catch (const ECalculationCanceled& e) {
        out.Failure = QStringLiteral("canceled: ") + e.Message();
    } catch (const ECalculationRefused& e) {
        out.Failure = QStringLiteral("refused: ") + e.Message();
    } catch (const EGravelonError& e) {
        out.Failure = QStringLiteral("failed: ") + e.Message();
    }
    for (const char* t : Tables)
        out.Tables.insert(QLatin1String(t), Dump(db, QLatin1String(t)));
    out.Keys = Keys(db, AData.Dialect());
    return out;
}

// The first line where two lists part, as "what: literal «…» / memory «…»".
QString FirstDifference(const QString& AWhat, const QStringList& ALiteral,
                        const QStringList& AMemory) {
    for (qsizetype i = 0; i < std::max(ALiteral.size(), AMemory.size()); ++i) {
        const QString l = i < ALiteral.size() ? ALiteral[i] : QStringLiteral("(none)");
        const QString m = i < AMemory.size() ? AMemory[i] : QStringLiteral("(none)");
        if (l != m)
            return QStringLiteral("%1, line %2 of %3/%4: literal «%5» / memory «%6»")
                .arg(AWhat)
                .arg(i + 1)
                .arg(ALiteral.size())
                .arg(AMemory.size())
                .arg(l, m);
    }
    return QString();
}

// Empty when both engines left the same; otherwise where they first part. AKeys: the
// key generators count too (not after a cancel on PostgreSQL, whose sequences keep what
// a rolled back transaction took).
QString Compare(const TOutcome& ALiteral, const TOutcome& AMemory, bool AKeys = true) {
    if (ALiteral.Failure != AMemory.Failure)
        return QStringLiteral("outcome: literal «%1» / memory «%2»")
            .arg(ALiteral.Failure, AMemory.Failure);
    QString d = FirstDifference(QStringLiteral("reports"), ALiteral.Reports, AMemory.Reports);
    for (const char* t : Tables)
        if (d.isEmpty())
            d = FirstDifference(QLatin1String(t), ALiteral.Tables.value(QLatin1String(t)),
                                AMemory.Tables.value(QLatin1String(t)));
    if (d.isEmpty() && AKeys)
        d = FirstDifference(QStringLiteral("key generators"), ALiteral.Keys, AMemory.Keys);
    return d;
}

// Runs one case on both engines; empty when they agree. One case in twenty is run once
// more with a cancel after one of its first reports: both engines stop at the same
// report and leave the tables as they were.
QString Differential(TDataModule& AData, const OrderGenerator::TCase& ACase, int* ACanceled) {
    QString d = Compare(Run(AData, ACase, false), Run(AData, ACase, true));
    if (!d.isEmpty() || ACase.Seed % 20 != 7)
        return d;
    const int cancelAfter = 1 + int(ACase.Seed / 20 % 9);
    const TOutcome literal = Run(AData, ACase, false, cancelAfter);
    if (literal.Failure.startsWith(QStringLiteral("canceled")))
        ++*ACanceled;
    d = Compare(literal, Run(AData, ACase, true, cancelAfter),
                !AData.Dialect().IsPostgres() ||
                    !literal.Failure.startsWith(QStringLiteral("canceled")));
    return d.isEmpty() ? d : QStringLiteral("canceled after report %1: ").arg(cancelAfter) + d;
}

QString Replay(quint32 ASeed, bool APostgres) {
    return QStringLiteral("GRAVELON_ENGINE_DIFF_SEED=%1 GRAVELON_ENGINE_DIFF_SQLITE=%2 "
                          "GRAVELON_ENGINE_DIFF_PG=%3")
        .arg(ASeed)
        .arg(APostgres ? 0 : 1)
        .arg(APostgres ? 1 : 0);
}

} // namespace

class TEngineDiffTest : public QObject {
    Q_OBJECT
private slots:
    void generatorCoversFamilies();
    void generatedOrders_data() { TestDb::AddBackendRows(); }
    void generatedOrders();
    void regressions_data();
    void regressions();
};

namespace {

// A hand-made order and the comments its positions must end with, in key order.
struct THandCase {
    QString Name;
    OrderGenerator::TCase Case;
    QStringList Comments;
};

OrderGenerator::TCase OneOrder(double AMaxW,
                               const std::vector<OrderGenerator::TPosition>& APositions,
                               qint64 ALastPosition) {
    OrderGenerator::TCase c;
    c.Kind = QStringLiteral("hand-made");
    c.Weight1m2 = 14.4;
    c.MaxH = 60;
    OrderGenerator::TOrder o;
    o.Number = QStringLiteral("R-1");
    o.MaxW = AMaxW;
    o.Positions = APositions;
    c.Orders.push_back(o);
    c.LastKeys[1] = ALastPosition;
    return c;
}

QList<THandCase> HandCases() {
    const QString remarks = QStringLiteral("образец (часть позиции 1) (часть позиции 2)");
    const QString quoted = QStringLiteral("на \"склад\", {A\\B} NULL");
    return {
        // Eight sheets of 14.4 kg against 30 kg: split twice, into parts of two. The
        // comment ends like two split remarks; a split keeps all of it but the remark it
        // adds, parts of parts included.
        {QStringLiteral("split twice"),
         OneOrder(30, {{1000, 1000, 3, 8, remarks}}, 40),
         {remarks, QStringLiteral("образец (часть позиции 1) (часть позиции 41)"),
          QStringLiteral("образец (часть позиции 1) (часть позиции 41)"),
          QStringLiteral("образец (часть позиции 1) (часть позиции 42)")}},
        // Quotes, braces, a backslash and the word NULL reach the parts as written; an
        // empty comment is not NULL.
        {QStringLiteral("quoted comment"),
         OneOrder(30, {{1000, 1000, 3, 4, quoted}, {1000, 1000, 3, 4, QStringLiteral("")}}, 0),
         {quoted, QString(), quoted + QStringLiteral(" (часть позиции 1)"),
          QStringLiteral("(часть позиции 2)")}},
    };
}

} // namespace

void TEngineDiffTest::regressions_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<int>("hand");
    QTest::addColumn<quint32>("seed");
    // Orders on which the engines once differed or could: hand-made ones and seeds of
    // the generator.
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        const QList<THandCase> hand = HandCases();
        for (int i = 0; i < hand.size(); ++i)
            QTest::newRow(
                qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(name), hand[i].Name)))
                << backend << i << 0u;
        for (const quint32 seed : {14u, 192u})
            QTest::newRow(
                qPrintable(QStringLiteral("%1 seed %2").arg(QLatin1String(name)).arg(seed)))
                << backend << -1 << seed;
    }
}

void TEngineDiffTest::regressions() {
    QFETCH(int, hand);
    QFETCH(quint32, seed);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const QList<THandCase> cases = HandCases();
    const OrderGenerator::TCase c = hand >= 0 ? cases[hand].Case : OrderGenerator::Mixed(seed);
    const TOutcome literal = Run(d, c, false);
    const TOutcome memory = Run(d, c, true);
    const QString difference = Compare(literal, memory);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    if (hand < 0)
        return;
    QCOMPARE(literal.Failure, QString());
    const QStringList positions = literal.Tables.value(QStringLiteral("ApplicatePositions"));
    const QStringList& comments = cases[hand].Comments;
    QCOMPARE(positions.size(), comments.size());
    for (int i = 0; i < comments.size(); ++i)
        QVERIFY2(positions[i].endsWith(QStringLiteral("comment=") + comments[i]),
                 qPrintable(positions[i]));
}

void TEngineDiffTest::generatorCoversFamilies() {
    // The families the comparison relies on are all there in the default range, with
    // what makes each of them.
    QMap<QString, int> kinds;
    bool noStackLimit = false, zeroStackLimit = false, lowPassLimit = false;
    bool manyColours = false, oneColour = false, single = false, large = false;
    bool border = false, noWeight = false, noLimit = false, zeroLimit = false;
    for (quint32 seed = 1; seed <= 2200; ++seed) {
        const OrderGenerator::TCase c = OrderGenerator::Mixed(seed);
        QCOMPARE(OrderGenerator::Mixed(seed).PositionCount(), c.PositionCount());
        ++kinds[c.Kind];
        noStackLimit |= !c.MaxH;
        zeroStackLimit |= c.MaxH == 0;
        lowPassLimit |= c.PassLimit < 10;
        noWeight |= !c.Weight1m2;
        QSet<qint64> colours;
        for (const OrderGenerator::TOrder& o : c.Orders) {
            noLimit |= !o.MaxW;
            zeroLimit |= o.MaxW == 0.0;
            for (const OrderGenerator::TPosition& p : o.Positions) {
                colours.insert(p.ColorId);
                single |= p.Quantity == 1;
                large |= p.Quantity >= 100;
                border |= p.Height == 300 || p.Height == 301;
            }
        }
        manyColours |= colours.size() == 12;
        oneColour |= colours.size() == 1;
    }
    for (const char* k : {"plain", "rows", "weight", "colours", "pass limit", "refused",
                          "two orders", "weightless", "larger"})
        QVERIFY2(kinds.value(QLatin1String(k)) > 0, k);
    QVERIFY(noStackLimit && zeroStackLimit && lowPassLimit && manyColours && oneColour);
    QVERIFY(single && large && border && noWeight && noLimit && zeroLimit);
}

void TEngineDiffTest::generatedOrders() {
    QFETCH(TBackend, backend);
    const bool postgres = backend == TBackend::Postgres;
    const int sqliteCount = EnvCount("GRAVELON_ENGINE_DIFF_SQLITE", 2000);
    const int pgCount = EnvCount("GRAVELON_ENGINE_DIFF_PG", 200);
    const quint32 first =
        quint32(EnvCount("GRAVELON_ENGINE_DIFF_SEED", 1)) + (postgres ? quint32(sqliteCount) : 0u);
    const int count = postgres ? pgCount : sqliteCount;
    if (count == 0)
        QSKIP("no orders asked for on this database");
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // Thousands of commits: nothing here needs them on the disk before the next one.
    SqlRun::Exec(d.Connection(), postgres ? QStringLiteral("set synchronous_commit = off")
                                          : QStringLiteral("pragma synchronous = off"));

    QElapsedTimer timer;
    timer.start();
    QStringList differences;
    int canceled = 0;
    QMap<QString, int> kinds;
    for (quint32 seed = first; seed < first + quint32(count); ++seed) {
        const OrderGenerator::TCase c = OrderGenerator::Mixed(seed);
        ++kinds[c.Kind];
        QString difference;
        try {
            difference = Differential(d, c, &canceled);
        } catch (const EGravelonError& e) {
            difference = QStringLiteral("setting up or reading back failed: ") + e.Message();
        }
        if (!difference.isEmpty()) {
            if (differences.size() < DetailedDifferences)
                qWarning().noquote() << QStringLiteral("seed %1 (%2, %3 positions): %4\n  run "
                                                       "it alone: %5")
                                            .arg(seed)
                                            .arg(c.Kind)
                                            .arg(c.PositionCount())
                                            .arg(difference, Replay(seed, postgres));
            differences << QString::number(seed);
        }
    }
    QStringList summary;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        summary << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    summary << QStringLiteral("%1 also canceled").arg(canceled);
    qInfo().noquote() << QStringLiteral("%1 orders (seeds %2-%3) in %4 s: %5")
                             .arg(count)
                             .arg(first)
                             .arg(first + count - 1)
                             .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
                             .arg(summary.join(QStringLiteral(", ")));
    QVERIFY2(differences.isEmpty(),
             qPrintable(QStringLiteral("the engines differ on %1 of %2 orders, seeds %3")
                            .arg(differences.size())
                            .arg(count)
                            .arg(differences.mid(0, 50).join(QLatin1Char(' ')))));
}

QTEST_GUILESS_MAIN(TEngineDiffTest)
#include "tst_engine_diff.moc"
