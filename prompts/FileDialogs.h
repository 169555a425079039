#pragma once

#include <QFileDialog>
#include <QString>
#include <memory>

// Every file dialog of the program is made here. The dialog lists a folder and, left
// to itself, Qt asks what type each file is by reading its first bytes: it opens and
// closes every file it lists, the embedded database and its -wal and -shm among them.
// A POSIX lock belongs to the process and the file, and closing any descriptor of the
// file drops every lock the process holds on it: SQLite's locks on a database it has
// open would be gone, and another program would take the database for unused and
// delete its log under our feet. The dialogs made here tell types by name alone and
// never open a file they list.
namespace FileDialogs {

// Qt's own dialog (never the desktop's, which reads files in this process by content
// too) with the name-only types; the caller sets the accept and file modes.
std::unique_ptr<QFileDialog> Make(QWidget* AParent, const QString& ACaption,
                                  const QString& ADirectoryOrFile, const QString& AFilter);

// The chosen existing file, or empty when the user cancelled.
QString ChooseOpen(QWidget* AParent, const QString& ACaption, const QString& AFilter);
// The chosen name (existing or new), or empty. Asks nothing about an existing file.
QString ChooseSave(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                   const QString& ASuggested);

} // namespace FileDialogs
