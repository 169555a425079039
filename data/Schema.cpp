#include "Schema.h"

#include "Errors.h"
#include "SqlDialect.h"
#include "SqlRun.h"

#include <QFile>
#include <QSqlRecord>

namespace {

QString ReadResource(const QString& APath) {
    QFile f(APath);
    if (!f.open(QIODevice::ReadOnly))
        throw EDatabaseError(QStringLiteral("Не найден сценарий схемы базы данных ") + APath);
    return QString::fromUtf8(f.readAll());
}

} // namespace

namespace Schema {

QStringList TableNames() {
    return {QStringLiteral("Applicates"),
            QStringLiteral("ApplicatePositions"),
            QStringLiteral("Palletes"),
            QStringLiteral("Solutions"),
            QStringLiteral("Applicates_archive"),
            QStringLiteral("ApplicatePositions_archive"),
            QStringLiteral("Palletes_archive"),
            QStringLiteral("Solutions_archive"),
            QStringLiteral("Colors"),
            QStringLiteral("Customers"),
            QStringLiteral("Materials"),
            QStringLiteral("PalleteLoads"),
            QStringLiteral("PalletePins"),
            QStringLiteral("ApplicatePlans")};
}

namespace {

// Tables made since the first version, each with the name its scripts start with
// (loads_sqlite.sql, loads_postgres.sql), in the order they came.
const QList<QPair<QString, QString>>& Added() {
    static const QList<QPair<QString, QString>> added = {
        {QStringLiteral("PalleteLoads"), QStringLiteral("loads")},
        {QStringLiteral("PalletePins"), QStringLiteral("pins")},
        {QStringLiteral("ApplicatePlans"), QStringLiteral("plans")}};
    return added;
}

} // namespace

QStringList AddedTables() {
    QStringList names;
    for (const auto& [table, script] : Added())
        names << table;
    return names;
}

QStringList SplitScript(const QString& AScript) {
    QStringList statements;
    QString current;
    bool inBody = false;
    for (const QString& line : AScript.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!inBody && (t.isEmpty() || t.startsWith(QLatin1String("--"))))
            continue;
        current += line + QLatin1Char('\n');
        if (line.count(QLatin1String("$$")) % 2 == 1)
            inBody = !inBody;
        if (!inBody && t.endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            statements << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

namespace {

// The program's tables the database lacks.
QStringList TablesMissing(const QSqlDatabase& ADb) {
    const QStringList present = ADb.tables(QSql::Tables);
    QStringList missing;
    for (const QString& name : TableNames()) {
        if (!present.contains(name, Qt::CaseInsensitive))
            missing << name;
    }
    return missing;
}

// The script that makes an added table, for the backend.
QString AddedScript(const QString& ATable, const TSqlDialect& ADialect) {
    for (const auto& [table, script] : Added())
        if (table.compare(ATable, Qt::CaseInsensitive) == 0)
            return ReadResource(QStringLiteral(":/schema/%1_%2.sql")
                                    .arg(script, ADialect.IsPostgres() ? QStringLiteral("postgres")
                                                                       : QStringLiteral("sqlite")));
    throw EDatabaseError(QStringLiteral("Нет сценария для таблицы ") + ATable);
}

} // namespace

bool Ensure(const QSqlDatabase& ADb, const TSqlDialect& ADialect) {
    if (TablesMissing(ADb).isEmpty())
        return false;
    // Two workstations may meet a new database at once: the one that gets the write
    // lock creates the schema, the other finds it made when its turn comes.
    TTransaction tr(ADb, ADialect);
    const QStringList missing = TablesMissing(ADb);
    if (missing.isEmpty()) {
        tr.Commit();
        return false;
    }
    // A database of an earlier version has every table but the ones added since: it
    // gets those, empty, and keeps everything it holds.
    bool onlyAdded = true;
    for (const QString& t : missing)
        onlyAdded = onlyAdded && AddedTables().contains(t, Qt::CaseInsensitive);
    if (onlyAdded) {
        for (const QString& t : missing)
            for (const QString& st : SplitScript(AddedScript(t, ADialect)))
                SqlRun::Exec(ADb, st);
        tr.Commit();
        return false;
    }
    if (missing.size() != TableNames().size()) {
        throw EDatabaseError(QStringLiteral(
            "База данных содержит только часть таблиц программы; создайте новую базу данных "
            "или восстановите недостающие таблицы"));
    }
    if (ADialect.IsPostgres()) {
        // A login that may only use the database meets the server's bare refusal at the
        // first table; the operator is told instead whom to ask for what.
        const QList<QSqlRecord> who = SqlRun::Open(
            ADb, QStringLiteral("select current_user, current_database(), coalesce("
                                "has_schema_privilege(current_schema(), 'CREATE'), false), "
                                "coalesce(current_schema(), 'public')"));
        const QSqlRecord& r = who.first();
        if (!r.value(2).toBool())
            throw EDatabaseError(
                QStringLiteral("попросите администратора сервера выдать пользователю «%1» право "
                               "создавать таблицы в базе данных «%2» (GRANT CREATE ON SCHEMA %3 "
                               "TO %1) или укажите в настройках подключения владельца этой базы: "
                               "у пользователя «%1» нет права создать в ней таблицы программы")
                    .arg(r.value(0).toString(), r.value(1).toString(), r.value(3).toString()));
    }
    const QString script =
        ReadResource(ADialect.IsPostgres() ? QStringLiteral(":/schema/postgres.sql")
                                           : QStringLiteral(":/schema/sqlite.sql"));
    QStringList statements = SplitScript(script);
    for (const QString& t : AddedTables())
        statements += SplitScript(AddedScript(t, ADialect));
    statements += SplitScript(ReadResource(QStringLiteral(":/schema/reference.sql")));
    for (const QString& st : statements)
        SqlRun::Exec(ADb, st);
    tr.Commit();
    return true;
}

} // namespace Schema
