#pragma once

#include <QString>
#include <QStringList>

// The workbooks last imported, newest first, at most Capacity of them. Kept in the
// user's state file (read afresh each time, so two programs of one user share it);
// with no file, for this run only.
class TRecentWorkbooks {
public:
    static constexpr int Capacity = 10;

    explicit TRecentWorkbooks(const QString& AFile = QString()) : FFile(AFile) {}

    QStringList Files() const;
    // AFile becomes the newest; an older mention of it goes.
    void Add(const QString& AFile);

private:
    void Store(const QStringList& AFiles);

    QString FFile;
    QStringList FMemory; // without a file
};
