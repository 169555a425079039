#pragma once

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>
#include <zlib.h>

class QXmlStreamReader;
class TZipPart;

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
    friend class TZipPart;
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

// One entry inflated as it is read, for an XML reader to parse as it goes: the part is
// never whole in memory, neither packed nor as text. What it may cost is counted as it
// streams, against the bounds the readers already have: MaxPartBytes inflated, and
// TUsedRange::MaxTextChars characters in one run of text between tags. A run of only
// white space (between elements, or a cell holding nothing else) is kept to its first
// KeptWhitespace bytes: it means the same, and a parser would otherwise hold all of it
// as one token. A failure met while streaming ends the data early; Check() (or
// CheckXml()) then throws it with the reader's Russian message.
class TZipPart : public QIODevice {
public:
    // AMustExist: a missing entry throws as TZipArchive::Read does; otherwise it reads
    // as empty. Throws at once for an entry that is protected, claims too much or whose
    // header is damaged.
    TZipPart(const TZipArchive& AZip, const QString& AName, bool AMustExist = true);
    ~TZipPart() override;

    bool isSequential() const override { return true; }
    bool atEnd() const override { return FEnded; }

    // Reads whatever the parser left and throws when the part was over a bound,
    // damaged (its length or checksum wrong) or cut short.
    void Check();
    // The part's failure first, then the parser's, as the reader's messages.
    static void CheckXml(const QXmlStreamReader& AXml, const QString& AFileName,
                         const QString& APart);

    static constexpr qint64 KeptWhitespace = 64 * 1024;

protected:
    qint64 readData(char* AData, qint64 AMaxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 Produce(char* AData, qint64 AMaxSize);
    qint64 Filter(char* AData, qint64 ASize);
    void Fail(const QString& AMessage);

    const TZipArchive& FZip;
    TZipArchive::TEntry FEntry;
    bool FPresent = false;
    const char* FIn = nullptr;
    qint64 FInLeft = 0;
    z_stream FZ{};
    bool FInflating = false;
    bool FEnded = false;
    qint64 FProduced = 0;
    uLong FCrc = 0;
    QString FFailure;
    // Where the filter is: inside a tag, or in a run of text and how long it is.
    bool FInTag = false;
    bool FWhitespaceOnly = true;
    qint64 FRunWhitespace = 0;
    qint64 FRunChars = 0;
};
