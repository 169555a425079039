#pragma once

#include <QString>

// Files this process already has open, the embedded database and its log above all.
// Reading such a file by its path and closing it again would drop the locks SQLite
// holds on it (POSIX locks belong to the process and the file, not the descriptor),
// and replacing it would take the database from under the connection. Code that
// opens or replaces a file the user named asks here first.
namespace ProcessFiles {

// Whether APath names a file one of this process's descriptors has open. Asks the
// kernel through stat and the descriptor table only; opens nothing.
bool HasOpen(const QString& APath);

} // namespace ProcessFiles
