#include "RecentWorkbooks.h"

#include <QDir>
#include <QSettings>

namespace {
const QString Key = QStringLiteral("Recent/Workbooks");
}

QStringList TRecentWorkbooks::Files() const {
    if (FFile.isEmpty())
        return FMemory;
    return QSettings(FFile, QSettings::IniFormat).value(Key).toStringList().mid(0, Capacity);
}

void TRecentWorkbooks::Add(const QString& AFile) {
    const QString file = QDir::cleanPath(AFile);
    QStringList files = Files();
    files.removeAll(file);
    files.prepend(file);
    Store(files.mid(0, Capacity));
}

void TRecentWorkbooks::Store(const QStringList& AFiles) {
    if (FFile.isEmpty())
        FMemory = AFiles;
    else
        QSettings(FFile, QSettings::IniFormat).setValue(Key, AFiles);
}
