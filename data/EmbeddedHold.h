#pragma once

class QSqlDatabase;

// Whether this process still holds the embedded database the way SQLite left it.
//
// SQLite guards a database in WAL mode with POSIX locks: a shared lock on the database
// file and one on its -shm file say "I am still using the log". A POSIX lock belongs to
// the process and the file, and closing any descriptor of the file anywhere in the
// process drops them all. Another program then finds nobody using the database,
// checkpoints it and deletes the -wal and -shm files that this connection still has
// open: what it writes afterwards goes into a deleted file and is lost with the
// process. Writers ask before they begin and refuse rather than write into that.
namespace EmbeddedHold {

// True for a server connection, a closed one, and an embedded one whose files are
// still the ones at their paths and whose locks are still this process's. Looks at
// the connection's own descriptors only: opening the files to check them would drop
// the very locks it checks.
bool Intact(const QSqlDatabase& ADb);

// Closes a connection whose hold is gone without the checkpoint SQLite makes when the
// last connection closes: with the locks lost it could take itself for the last one
// and copy its old log over pages another program has written since.
void Abandon(QSqlDatabase& ADb);

} // namespace EmbeddedHold
