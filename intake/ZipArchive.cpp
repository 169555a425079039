#include "ZipArchive.h"

#include "WorkbookError.h"

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
