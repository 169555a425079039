#pragma once

#include <QByteArray>
#include <QString>

// The checks a compound document (.xls) must pass before libgsf opens it. libgsf walks
// the directory's tree of entries recursively, one stack frame per entry, so a crafted
// file of a hundred thousand chained entries overflows the stack; and it keeps no entry
// it reaches from the root entry's siblings, so those leak. A workbook has a handful of
// entries, the root entry first and without siblings: anything else is refused with
// the reader's Russian message before libgsf sees it.
namespace CompoundFile {

// Directory entries a workbook may have; an .xls with macros and embedded objects has
// a few dozen.
constexpr qint64 MaxEntries = 4096;

// Throws EGravelonError naming AFileName.
void Check(const QByteArray& ABytes, const QString& AFileName);

} // namespace CompoundFile
