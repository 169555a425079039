#pragma once

class QSqlDatabase;

// Registers QtyInRow, pw, ph, pwa and pha on an open embedded-database connection;
// they play the part of the server functions of the PostgreSQL schema.
// Throws EDatabaseError when the connection is not an SQLite one.
void RegisterSqliteFunctions(const QSqlDatabase& ADb);
