#include "ZipArchive.h"

#include "UsedRange.h"
#include "WorkbookError.h"

#include <QXmlStreamReader>
#include <zlib.h>

#include <cstring>

namespace {

constexpr quint32 SigLocal = 0x04034b50;
constexpr quint32 SigCentral = 0x02014b50;
constexpr quint32 SigEnd = 0x06054b50;
constexpr qint64 EndRecordSize = 22;
constexpr qint64 MaxComment = 0xffff;

quint16 U16(const QByteArray& ABytes, qint64 AAt) {
    const auto* p = reinterpret_cast<const uchar*>(ABytes.constData()) + AAt;
    return quint16(p[0] | (p[1] << 8));
}

quint32 U32(const QByteArray& ABytes, qint64 AAt) {
    const auto* p = reinterpret_cast<const uchar*>(ABytes.constData()) + AAt;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

} // namespace

TZipArchive::TZipArchive(const QByteArray& ABytes, const QString& AFileName)
    : FBytes(ABytes), FFileName(AFileName) {
    const qint64 size = FBytes.size();
    // The end-of-central-directory record is the last one, followed only by a comment.
    qint64 end = -1;
    for (qint64 at = size - EndRecordSize; at >= 0 && at >= size - EndRecordSize - MaxComment;
         --at) {
        if (U32(FBytes, at) == SigEnd) {
            end = at;
            break;
        }
    }
    if (end < 0)
        throw WorkbookError::Make(FFileName, WorkbookError::Damaged);
    const qint64 count = U16(FBytes, end + 10);
    const qint64 dirSize = U32(FBytes, end + 12);
    qint64 at = U32(FBytes, end + 16);
    if (at + dirSize > end)
        throw WorkbookError::Make(FFileName, WorkbookError::Damaged);
    for (qint64 i = 0; i < count; ++i) {
        if (at + 46 > end || U32(FBytes, at) != SigCentral)
            throw WorkbookError::Make(FFileName, WorkbookError::Damaged);
        TEntry e;
        e.Flags = U16(FBytes, at + 8);
        e.Method = U16(FBytes, at + 10);
        e.Crc = U32(FBytes, at + 16);
        e.Compressed = U32(FBytes, at + 20);
        e.Size = U32(FBytes, at + 24);
        const qint64 nameLength = U16(FBytes, at + 28);
        const qint64 extraLength = U16(FBytes, at + 30);
        const qint64 commentLength = U16(FBytes, at + 32);
        e.LocalHeader = U32(FBytes, at + 42);
        if (at + 46 + nameLength > end)
            throw WorkbookError::Make(FFileName, WorkbookError::Damaged);
        e.Name = QString::fromUtf8(FBytes.constData() + at + 46, nameLength);
        at += 46 + nameLength + extraLength + commentLength;
        // The first of two entries of one name wins, as it would for a reader that
        // walks the directory in order.
        const QString key = Key(e.Name);
        if (!FEntries.contains(key))
            FEntries.insert(key, e);
    }
}

QString TZipArchive::Key(const QString& AName) {
    QString k = AName;
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (k.startsWith(QLatin1Char('/')))
        k.remove(0, 1);
    return k.toLower();
}

bool TZipArchive::Contains(const QString& AName) const {
    return FEntries.contains(Key(AName));
}

QByteArray TZipArchive::Read(const QString& AName) const {
    const auto it = FEntries.constFind(Key(AName));
    if (it == FEntries.constEnd())
        throw WorkbookError::Make(FFileName, WorkbookError::Damaged +
                                                 QStringLiteral(" (нет части «%1»)").arg(AName));
    return Inflate(*it);
}

QByteArray TZipArchive::ReadIfPresent(const QString& AName) const {
    const auto it = FEntries.constFind(Key(AName));
    return it == FEntries.constEnd() ? QByteArray() : Inflate(*it);
}

QByteArray TZipArchive::Inflate(const TEntry& AEntry) const {
    const auto tooLarge = [&] {
        return WorkbookError::Make(FFileName,
                                   QStringLiteral("часть книги «%1» после распаковки больше %2 МБ")
                                       .arg(AEntry.Name)
                                       .arg(MaxPartBytes / (1024 * 1024)));
    };
    const auto damaged = [&] {
        return WorkbookError::Make(FFileName, WorkbookError::Damaged +
                                                  QStringLiteral(" (часть «%1»)").arg(AEntry.Name));
    };
    if (AEntry.Flags & 0x0001)
        throw WorkbookError::Make(FFileName, WorkbookError::Password);
    if (AEntry.Size > MaxPartBytes)
        throw tooLarge();
    const qint64 h = AEntry.LocalHeader;
    if (h < 0 || h + 30 > FBytes.size() || U32(FBytes, h) != SigLocal)
        throw damaged();
    const qint64 data = h + 30 + U16(FBytes, h + 26) + U16(FBytes, h + 28);
    if (data + AEntry.Compressed > FBytes.size())
        throw damaged();
    const auto* in = reinterpret_cast<const Bytef*>(FBytes.constData() + data);

    QByteArray out;
    if (AEntry.Method == 0) {
        if (AEntry.Compressed != AEntry.Size)
            throw damaged();
        out = QByteArray(FBytes.constData() + data, AEntry.Size);
    } else if (AEntry.Method == 8) {
        // The declared size only sizes the first buffer; the data decides, within the bound.
        out.resize(qMax<qint64>(qMin<qint64>(AEntry.Size, 16 * 1024 * 1024), 4096));
        z_stream z;
        std::memset(&z, 0, sizeof z);
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            throw damaged();
        z.next_in = const_cast<Bytef*>(in);
        z.avail_in = uInt(AEntry.Compressed);
        qint64 produced = 0;
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            if (produced == out.size()) {
                if (out.size() >= MaxPartBytes) {
                    inflateEnd(&z);
                    throw tooLarge();
                }
                out.resize(qMin<qint64>(out.size() * 2, MaxPartBytes));
            }
            z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
            z.avail_out = uInt(out.size() - produced);
            rc = inflate(&z, Z_NO_FLUSH);
            produced = out.size() - z.avail_out;
            if (rc != Z_OK && rc != Z_STREAM_END) {
                // Z_BUF_ERROR with input left means no progress is possible: the data
                // ends before the deflate stream does.
                if (!(rc == Z_BUF_ERROR && z.avail_out == 0)) {
                    inflateEnd(&z);
                    throw damaged();
                }
            }
        }
        inflateEnd(&z);
        out.truncate(produced);
        if (produced != AEntry.Size)
            throw damaged();
    } else {
        throw WorkbookError::Make(FFileName,
                                  QStringLiteral("часть «%1» сжата неподдерживаемым способом %2")
                                      .arg(AEntry.Name)
                                      .arg(AEntry.Method));
    }
    if (crc32(0, reinterpret_cast<const Bytef*>(out.constData()), uInt(out.size())) != AEntry.Crc)
        throw damaged();
    return out;
}

TZipPart::TZipPart(const TZipArchive& AZip, const QString& AName, bool AMustExist) : FZip(AZip) {
    const auto it = AZip.FEntries.constFind(TZipArchive::Key(AName));
    if (it == AZip.FEntries.constEnd()) {
        if (AMustExist)
            throw WorkbookError::Make(AZip.FFileName,
                                      WorkbookError::Damaged +
                                          QStringLiteral(" (нет части «%1»)").arg(AName));
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        FEnded = true;
        return;
    }
    FEntry = *it;
    FPresent = true;
    const auto damaged = [&] {
        return WorkbookError::Make(AZip.FFileName,
                                   WorkbookError::Damaged +
                                       QStringLiteral(" (часть «%1»)").arg(FEntry.Name));
    };
    if (FEntry.Flags & 0x0001)
        throw WorkbookError::Make(AZip.FFileName, WorkbookError::Password);
    if (FEntry.Size > TZipArchive::MaxPartBytes)
        throw WorkbookError::Make(AZip.FFileName,
                                  QStringLiteral("часть книги «%1» после распаковки больше %2 МБ")
                                      .arg(FEntry.Name)
                                      .arg(TZipArchive::MaxPartBytes / (1024 * 1024)));
    const QByteArray& bytes = AZip.FBytes;
    const qint64 h = FEntry.LocalHeader;
    if (h < 0 || h + 30 > bytes.size() || U32(bytes, h) != SigLocal)
        throw damaged();
    const qint64 data = h + 30 + U16(bytes, h + 26) + U16(bytes, h + 28);
    if (data + FEntry.Compressed > bytes.size())
        throw damaged();
    FIn = bytes.constData() + data;
    FInLeft = FEntry.Compressed;
    if (FEntry.Method == 8) {
        if (inflateInit2(&FZ, -MAX_WBITS) != Z_OK)
            throw damaged();
        FInflating = true;
        FZ.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(FIn));
        FZ.avail_in = uInt(FInLeft);
    } else if (FEntry.Method == 0) {
        if (FEntry.Compressed != FEntry.Size)
            throw damaged();
    } else {
        throw WorkbookError::Make(AZip.FFileName,
                                  QStringLiteral("часть «%1» сжата неподдерживаемым способом %2")
                                      .arg(FEntry.Name)
                                      .arg(FEntry.Method));
    }
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

TZipPart::~TZipPart() {
    if (FInflating)
        inflateEnd(&FZ);
}

void TZipPart::Fail(const QString& AMessage) {
    if (FFailure.isEmpty())
        FFailure = AMessage;
    FEnded = true;
}

qint64 TZipPart::Produce(char* AData, qint64 AMaxSize) {
    // The raw inflated bytes, checked against the entry's length and checksum.
    qint64 n = 0;
    if (FEntry.Method == 0) {
        n = qMin(AMaxSize, FInLeft);
        std::memcpy(AData, FIn, size_t(n));
        FIn += n;
        FInLeft -= n;
        if (FInLeft == 0)
            FEnded = true;
    } else {
        FZ.next_out = reinterpret_cast<Bytef*>(AData);
        FZ.avail_out = uInt(qMin<qint64>(AMaxSize, 1 << 30));
        const uInt before = FZ.avail_out;
        const int rc = inflate(&FZ, Z_NO_FLUSH);
        n = qint64(before - FZ.avail_out);
        if (rc == Z_STREAM_END) {
            FEnded = true;
        } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && n > 0)) {
            // No progress possible: the data ends before the deflate stream does.
            Fail(WorkbookError::Make(FZip.FFileName,
                                     WorkbookError::Damaged +
                                         QStringLiteral(" (часть «%1»)").arg(FEntry.Name))
                     .Message());
            return 0;
        }
    }
    FProduced += n;
    FCrc = crc32(FCrc, reinterpret_cast<const Bytef*>(AData), uInt(n));
    if (FProduced > TZipArchive::MaxPartBytes) {
        Fail(WorkbookError::Make(FZip.FFileName,
                                 QStringLiteral("часть книги «%1» после распаковки больше %2 МБ")
                                     .arg(FEntry.Name)
                                     .arg(TZipArchive::MaxPartBytes / (1024 * 1024)))
                 .Message());
        return 0;
    }
    if (FEnded && (FProduced != FEntry.Size || FCrc != FEntry.Crc))
        Fail(WorkbookError::Make(FZip.FFileName,
                                 WorkbookError::Damaged +
                                     QStringLiteral(" (часть «%1»)").arg(FEntry.Name))
                 .Message());
    return n;
}

qint64 TZipPart::Filter(char* AData, qint64 ASize) {
    qint64 kept = 0;
    for (qint64 i = 0; i < ASize; ++i) {
        const char c = AData[i];
        if (FInTag) {
            if (c == '>') {
                FInTag = false;
                FWhitespaceOnly = true;
                FRunWhitespace = 0;
                FRunChars = 0;
            }
        } else if (c == '<') {
            FInTag = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (FWhitespaceOnly && ++FRunWhitespace > KeptWhitespace)
                continue;
            ++FRunChars;
        } else {
            FWhitespaceOnly = false;
            // Characters, not bytes: a UTF-8 continuation byte starts none.
            if ((uchar(c) & 0xC0) != 0x80 && ++FRunChars > TUsedRange::MaxTextChars) {
                Fail(WorkbookError::Make(FZip.FFileName,
                                         QStringLiteral("в ячейках листа больше %1 млн знаков")
                                             .arg(TUsedRange::MaxTextChars / (1024 * 1024)))
                         .Message());
                return kept;
            }
        }
        AData[kept++] = c;
    }
    return kept;
}

qint64 TZipPart::readData(char* AData, qint64 AMaxSize) {
    // Runs of white space may filter down to nothing: read on until something is left
    // or the part ends.
    // (zlib always makes progress or says it cannot, so this ends.)
    while (!FEnded && AMaxSize > 0) {
        const qint64 n = Produce(AData, AMaxSize);
        const qint64 kept = FFailure.isEmpty() ? Filter(AData, n) : 0;
        if (!FFailure.isEmpty())
            return 0;
        if (kept > 0)
            return kept;
    }
    return 0;
}

void TZipPart::Check() {
    // A parser may stop at the root element's end: the rest is read so that the
    // part's length and checksum are checked all the same.
    char scratch[16384];
    while (!FEnded && FFailure.isEmpty())
        Produce(scratch, sizeof scratch);
    if (FPresent && FFailure.isEmpty() && !FEnded)
        Fail(WorkbookError::Make(FZip.FFileName,
                                 WorkbookError::Damaged +
                                     QStringLiteral(" (часть «%1»)").arg(FEntry.Name))
                 .Message());
    if (!FFailure.isEmpty())
        throw EGravelonError(FFailure);
}

void TZipPart::CheckXml(const QXmlStreamReader& AXml, const QString& AFileName,
                        const QString& APart) {
    if (auto* part = dynamic_cast<TZipPart*>(AXml.device()))
        part->Check();
    if (AXml.hasError())
        throw WorkbookError::Xml(AFileName, APart, AXml.errorString());
}
