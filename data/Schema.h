#pragma once

#include <QSqlDatabase>
#include <QStringList>

class TSqlDialect;

namespace Schema {

// Creates the tables, indexes and routines in one transaction when the database has
// none of them yet, together with the reference rows. Returns true when it created
// them. A database of an earlier version, lacking only tables added since
// (AddedTables), gets those in the same way and keeps its rows; any other database
// holding only some of the tables is refused rather than patched.
bool Ensure(const QSqlDatabase& ADb, const TSqlDialect& ADialect);

// Splits a script into statements at semicolons that end a line, keeping
// dollar-quoted routine bodies whole and dropping comment lines.
QStringList SplitScript(const QString& AScript);

// The schema's table names, working tables first, then the archive, then reference,
// then the tables added in later versions.
QStringList TableNames();
// The tables a database of an earlier version may lack: the pallets' loading marks.
QStringList AddedTables();

} // namespace Schema
