#pragma once

#include "DataModule.h"
#include "Settings.h"

#include <QTemporaryDir>
#include <memory>

// Every database behaviour is tested on both backends. Data-driven tests take a
// "backend" column; AddBackendRows() adds one row per backend. PostgreSQL is used
// whenever a server answers (GRAVELON_TEST_PG_HOST/PORT/USER/PASSWORD, defaults
// localhost:5432, gravelon/gravelon); with GRAVELON_REQUIRE_PG=1 (as in CI) a server
// that does not answer fails the test instead of skipping it.
namespace TestDb {

void AddBackendRows();

// Settings of a fresh, empty database of the backend: an SQLite file in a
// temporary folder, or a PostgreSQL database owned by this test executable whose
// objects have all been dropped. Calls QSKIP/QFAIL (so use it in a test function)
// when PostgreSQL is not reachable.
struct TFreshDatabase {
    TConnectionSettings Settings;
    QString Folder;  // settings folder: relative Baza is taken from here
    QString IniPath; // an example.ini written for these settings
    std::unique_ptr<QTemporaryDir> Temp;
};

// Returns false when the backend is not available (the caller should QSKIP).
bool Fresh(TBackend ABackend, TFreshDatabase* AOut, QString* AWhy);

// A data module connected to a fresh database (schema and reference rows created).
struct TConnected {
    TFreshDatabase Db;
    std::unique_ptr<TDataModule> Data;
};
bool Connect(TBackend ABackend, TConnected* AOut, QString* AWhy);

// Whether a missing PostgreSQL server must fail the test run.
bool PostgresRequired();
// Whether a failure text says the server could not be reached at all.
bool IsUnavailable(const QString& AWhy);

// Rows for tests that need an order in the database; inserted with bound values.
struct TPos {
    qlonglong Width;
    qlonglong Height;
    qlonglong ColorID;
    qlonglong Quantity;
    QString Comment;
};
// Adds a customer (when new), an order and its positions to the working tables;
// returns the order's key. APositionIds receives the positions' keys in order.
qlonglong AddOrder(TDataModule& AData, const QString& ANumber, const QDate& ADate, qlonglong AMatId,
                   const QVariant& AMaxW, const QList<TPos>& APositions,
                   QList<qlonglong>* APositionIds = nullptr,
                   const QString& ACustomer = QStringLiteral("ООО Тест"));
qlonglong AddPallet(TDataModule& AData, qlonglong AColorId);
qlonglong AddSolution(TDataModule& AData, qlonglong AApplicateId, qlonglong APosId,
                      qlonglong APalleteId, qlonglong AQuantityInRow, qlonglong AQuantity,
                      const QVariant& AComment = QVariant());
// The key of the row just inserted: the highest key of the table.
qlonglong LastId(TDataModule& AData, const QString& ATable);
// The first value a query gives, as a number.
qlonglong Scalar(TDataModule& AData, const QString& ASql, const QVariantMap& ABinds = {});
// How many rows a table holds.
int Count(TDataModule& AData, const QString& ATable);
// Whole table as text lines ordered by ID, for comparing states.
QStringList Dump(TDataModule& AData, const QString& ATable);

} // namespace TestDb

// A connected data module, or QSKIP/QFAIL when that backend cannot be had: a fresh database of the
// backend the test row names; GRAVELON_CONNECT_TO for a test that runs on one backend only. SQLite
// must always work; PostgreSQL may be skipped only where the server is not required and not there.
#define GRAVELON_CONNECT_TO(var, backendValue)                                                     \
    TestDb::TConnected var;                                                                        \
    do {                                                                                           \
        const TBackend backend_ = (backendValue);                                                  \
        QString why_;                                                                              \
        if (!TestDb::Connect(backend_, &var, &why_)) {                                             \
            if (backend_ == TBackend::Sqlite || TestDb::PostgresRequired() ||                      \
                !TestDb::IsUnavailable(why_))                                                      \
                QFAIL(qPrintable(why_));                                                           \
            QSKIP(qPrintable(why_));                                                               \
        }                                                                                          \
    } while (0)

#define GRAVELON_CONNECT(var)                                                                      \
    GRAVELON_CONNECT_TO(var,                                                                       \
                        *static_cast<TBackend*>(QTest::qData("backend", qMetaTypeId<TBackend>())))

Q_DECLARE_METATYPE(TBackend)
