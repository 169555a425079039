#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>

// The record layer of a BIFF5/BIFF8 workbook stream: records one after another, a
// record's CONTINUE records joined to it as further segments, and the string forms
// that may run across them. Every read is checked against the data: a record too
// short for what it claims to hold is a damaged file, never a read past the end.
class TBiffRecords {
public:
    explicit TBiffRecords(const QByteArray& AStream) : FStream(AStream) {}

    struct TRecord {
        quint16 Type = 0;
        qint64 Offset = 0;      // of its header in the stream
        QList<QByteArray> Data; // the body, then each CONTINUE's body
    };
    // Moves to the record at AOffset; false past the end.
    bool Seek(qint64 AOffset);
    // The next record with its CONTINUE records; false at the end of the stream or
    // at a header cut short.
    bool Next(TRecord& ARecord);

    static constexpr quint16 RecContinue = 0x003C;

private:
    QByteArray FStream;
    qint64 FAt = 0;
};

// Reads a record's body across its segments. Out of data it throws EBiffShort,
// which the workbook reader turns into its message for a damaged file.
class TBiffCursor {
public:
    struct EBiffShort {};

    // AHighFirstByte: BIFF8 strings are UTF-16 or compressed (Latin-1) per segment;
    // BIFF5 strings are bytes in the workbook's code page (ADecoder).
    TBiffCursor(const QList<QByteArray>& ASegments, bool ABiff8, QStringDecoder* ADecoder)
        : FSegments(ASegments), FBiff8(ABiff8), FDecoder(ADecoder) {}

    quint8 U8();
    quint16 U16();
    quint32 U32();
    double F64();
    void Skip(qint64 ACount);
    bool AtEnd() const;
    qint64 Left() const; // in the current segment and those after it

    // The string forms: a 16-bit (ALongLength) or 8-bit character count, then (BIFF8)
    // the option byte with its rich-text runs and extended data, then the characters;
    // in BIFF8 a CONTINUE boundary inside the characters restates the option byte.
    QString String(bool ALongLength);
    // Characters only, their count known (BIFF8 option byte included).
    QString Characters(qint64 ACount, bool AHigh);

private:
    const QByteArray& Segment() const { return FSegments.at(FSegment); }
    void NextSegmentIfDone();

    const QList<QByteArray>& FSegments;
    bool FBiff8;
    QStringDecoder* FDecoder;
    qsizetype FSegment = 0;
    qsizetype FAt = 0;
};
