#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The zip container of .xlsx and .ods workbooks, read from memory. Only what a
// workbook needs: stored and deflated entries, found by name through the central
// directory. What an entry may cost is bounded before and while it is inflated, so a
// small file that claims (or inflates to) a huge part fails with a clear message
// instead of exhausting the machine.
class TZipArchive {
public:
    // Throws EGravelonError naming AFileName when the bytes are no readable zip.
    TZipArchive(const QByteArray& ABytes, const QString& AFileName);

    // Part names compare as the package formats have them: without a leading '/',
    // with '/' as separator and without regard to ASCII case.
    bool Contains(const QString& AName) const;
    // The inflated entry; throws when it is missing, damaged or over the bound.
    QByteArray Read(const QString& AName) const;
    // Empty when the entry is missing; other failures throw as Read does.
    QByteArray ReadIfPresent(const QString& AName) const;

    // Largest part a workbook may hold once inflated; a 10,000-row sheet takes a few MB.
    static constexpr qint64 MaxPartBytes = 128ll * 1024 * 1024;

private:
    struct TEntry {
        quint16 Method = 0;
        quint16 Flags = 0;
        quint32 Crc = 0;
        qint64 Compressed = 0;
        qint64 Size = 0;
        qint64 LocalHeader = 0;
        QString Name;
    };
    static QString Key(const QString& AName);
    QByteArray Inflate(const TEntry& AEntry) const;

    QByteArray FBytes;
    QString FFileName;
    QHash<QString, TEntry> FEntries;
};
