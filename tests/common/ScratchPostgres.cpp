#include "ScratchPostgres.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

QString Env(const QString& AName, const char* ADefault) {
    const QByteArray v = qgetenv(AName.toLatin1().constData());
    return v.isEmpty() ? QString::fromLatin1(ADefault) : QString::fromLocal8Bit(v);
}

enum class TAdminResult { Done, Unreachable, Refused };

TAdminResult RunAdmin(const TScratchServer& AServer, const QString& ADatabase,
                      const QStringList& AStatements, QString* AWhy) {
    const QString conn = QStringLiteral("gravelon_scratch_admin");
    TAdminResult result = TAdminResult::Done;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), conn);
        db.setHostName(AServer.Host);
        db.setPort(AServer.Port.toInt());
        db.setUserName(AServer.User);
        db.setPassword(AServer.Password);
        db.setDatabaseName(ADatabase);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        if (!db.open()) {
            *AWhy = db.lastError().text();
            result = TAdminResult::Unreachable;
        } else {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SET client_min_messages = warning"));
            for (const QString& st : AStatements) {
                if (!q.exec(st)) {
                    *AWhy = st + QStringLiteral(": ") + q.lastError().text();
                    result = TAdminResult::Refused;
                    break;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return result;
}

} // namespace

TScratchServer TScratchServer::FromEnv(const QString& APrefix) {
    return {Env(APrefix + QStringLiteral("_HOST"), "localhost"),
            Env(APrefix + QStringLiteral("_PORT"), "5432"),
            Env(APrefix + QStringLiteral("_USER"), "gravelon"),
            Env(APrefix + QStringLiteral("_PASSWORD"), "gravelon")};
}

TConnectionSettings TScratchServer::Settings(const QString& ADatabase) const {
    return {Host + QLatin1Char(':') + Port, ADatabase, User, Password};
}

bool TScratchServer::Reset(const QString& ADatabase, QString* AWhy, bool* AUnreachable) const {
    const QStringList reset = {QStringLiteral("DROP SCHEMA IF EXISTS public CASCADE"),
                               QStringLiteral("CREATE SCHEMA public")};
    if (AUnreachable)
        *AUnreachable = false;
    TAdminResult r = RunAdmin(*this, ADatabase, reset, AWhy);
    if (r == TAdminResult::Unreachable) {
        // Most likely the database does not exist yet; the server's own database tells
        // whether the server is there at all.
        r = RunAdmin(*this, QStringLiteral("postgres"),
                     {QStringLiteral("CREATE DATABASE ") + ADatabase}, AWhy);
        if (r == TAdminResult::Done)
            r = RunAdmin(*this, ADatabase, reset, AWhy);
    }
    if (AUnreachable)
        *AUnreachable = r == TAdminResult::Unreachable;
    return r == TAdminResult::Done;
}

bool TScratchServer::Recreate(const QString& ADatabase, const QString& ACreateOptions,
                              QString* AWhy, bool* AUnreachable) const {
    const TAdminResult r = RunAdmin(
        *this, QStringLiteral("postgres"),
        {QStringLiteral("DROP DATABASE IF EXISTS ") + ADatabase + QStringLiteral(" WITH (FORCE)"),
         QStringLiteral("CREATE DATABASE ") + ADatabase + QLatin1Char(' ') + ACreateOptions},
        AWhy);
    if (AUnreachable)
        *AUnreachable = r == TAdminResult::Unreachable;
    return r == TAdminResult::Done;
}
