#pragma once

#include <QSqlDatabase>
#include <QStringList>

class TSqlDialect;

namespace Schema {

// Creates the tables, indexes and routines in one transaction when the database has
// none of them yet, together with the reference rows. Returns true when it created
// them. A database holding only some of the tables is refused rather than patched.
bool Ensure(const QSqlDatabase& ADb, const TSqlDialect& ADialect);

// Splits a script into statements at semicolons that end a line, keeping
// dollar-quoted routine bodies whole and dropping comment lines.
QStringList SplitScript(const QString& AScript);

// The schema's table names, working tables first, then the archive, then reference.
QStringList TableNames();

} // namespace Schema
