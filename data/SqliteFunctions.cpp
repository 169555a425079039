#include "SqliteFunctions.h"

#include "Errors.h"
#include "SheetsPerRow.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QString>
#include <QVariant>
#include <sqlite3.h>

namespace {

const char* const PalletWeightSql =
    "select round(coalesce(sum(ap.Width*ap.Height*s.Quantity*m.Weight1m2)*1e-6, 0), 2) "
    "from %1 s inner join %2 ap on ap.ID = s.PosID inner join %3 a on a.ID = ap.ApplicateID "
    "inner join Materials m on m.ID = a.MatID where s.PalleteID = ?1";
const char* const PalletHeightSql =
    "select coalesce(sum((s.Quantity + coalesce(nullif(s.QuantityInRow, 0), 1) - 1) "
    "/ coalesce(nullif(s.QuantityInRow, 0), 1)), 0) from %1 s where s.PalleteID = ?1";

struct TMeasure {
    QByteArray Sql;
};

// Runs the measure's query on the calling connection for the key given.
void RunMeasure(sqlite3_context* ACtx, int AArgc, sqlite3_value** AArgv) {
    if (AArgc != 1 || sqlite3_value_type(AArgv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ACtx);
        return;
    }
    auto* measure = static_cast<TMeasure*>(sqlite3_user_data(ACtx));
    sqlite3* db = sqlite3_context_db_handle(ACtx);
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, measure->Sql.constData(), -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_value(stmt, 1, AArgv[0]);
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            sqlite3_result_value(ACtx, sqlite3_column_value(stmt, 0));
        else
            sqlite3_result_null(ACtx);
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        sqlite3_result_error(ACtx, sqlite3_errmsg(db), -1);
    sqlite3_finalize(stmt);
}

void QtyInRowFunc(sqlite3_context* ACtx, int AArgc, sqlite3_value** AArgv) {
    if (AArgc != 2 || sqlite3_value_type(AArgv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ACtx);
        return;
    }
    const long long h = sqlite3_value_int64(AArgv[0]);
    const long long q =
        sqlite3_value_type(AArgv[1]) == SQLITE_NULL ? 0 : sqlite3_value_int64(AArgv[1]);
    sqlite3_result_int64(ACtx, SheetsPerRowRule(h, q));
}

// Unicode lower case, as the number search needs it on both backends.
void UnicodeLowerFunc(sqlite3_context* ACtx, int AArgc, sqlite3_value** AArgv) {
    if (AArgc != 1 || sqlite3_value_type(AArgv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ACtx);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(AArgv[0]));
    const QByteArray lower =
        QString::fromUtf8(text, sqlite3_value_bytes(AArgv[0])).toLower().toUtf8();
    sqlite3_result_text(ACtx, lower.constData(), int(lower.size()), SQLITE_TRANSIENT);
}

void DeleteMeasure(void* AData) {
    delete static_cast<TMeasure*>(AData);
}

sqlite3* Handle(const QSqlDatabase& ADb) {
    const QVariant v = ADb.driver() ? ADb.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        throw EDatabaseError(QStringLiteral("Соединение не является базой данных SQLite"));
    sqlite3* h = *static_cast<sqlite3* const*>(v.data());
    if (!h)
        throw EDatabaseError(QStringLiteral("База данных SQLite не открыта"));
    return h;
}

void Register(sqlite3* AHandle, const char* AName, const QString& ASql) {
    auto* m = new TMeasure{ASql.toUtf8()};
    const int rc = sqlite3_create_function_v2(AHandle, AName, 1, SQLITE_UTF8, m, RunMeasure,
                                              nullptr, nullptr, DeleteMeasure);
    if (rc != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(AHandle)));
}

} // namespace

void RegisterSqliteFunctions(const QSqlDatabase& ADb) {
    sqlite3* h = Handle(ADb);
    const QString weight = QString::fromLatin1(PalletWeightSql);
    const QString height = QString::fromLatin1(PalletHeightSql);
    Register(h, "pw",
             weight.arg(QStringLiteral("Solutions"), QStringLiteral("ApplicatePositions"),
                        QStringLiteral("Applicates")));
    Register(h, "pwa",
             weight.arg(QStringLiteral("Solutions_archive"),
                        QStringLiteral("ApplicatePositions_archive"),
                        QStringLiteral("Applicates_archive")));
    Register(h, "ph", height.arg(QStringLiteral("Solutions")));
    Register(h, "pha", height.arg(QStringLiteral("Solutions_archive")));
    int rc = sqlite3_create_function_v2(h, "QtyInRow", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                        nullptr, QtyInRowFunc, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(h, "unicode_lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                        nullptr, UnicodeLowerFunc, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(h)));
}
