#include "CompoundFile.h"

#include "WorkbookError.h"

#include <QList>

namespace {

constexpr quint32 NoStream = 0xFFFFFFFF;
constexpr quint32 LastRegularSector = 0xFFFFFFFA;
constexpr qint64 EntrySize = 128;
constexpr int HeaderFatSectors = 109;

quint32 U32(const QByteArray& ABytes, qint64 AAt) {
    if (AAt < 0 || AAt + 4 > ABytes.size())
        return NoStream;
    const auto* p = reinterpret_cast<const uchar*>(ABytes.constData()) + AAt;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

} // namespace

namespace CompoundFile {

void Check(const QByteArray& ABytes, const QString& AFileName) {
    const auto damaged = [&] { return WorkbookError::Make(AFileName, WorkbookError::Damaged); };
    if (ABytes.size() < 512)
        throw damaged();
    const int shift = quint8(ABytes.at(0x1E)) | (quint8(ABytes.at(0x1F)) << 8);
    // 512-byte sectors (version 3) or 4096-byte ones (version 4); nothing else is written.
    if (shift != 9 && shift != 12)
        throw damaged();
    const qint64 sector = qint64(1) << shift;
    const auto offset = [&](quint32 ASector) { return (qint64(ASector) + 1) << shift; };

    // The sectors of the allocation table: the first 109 listed in the header, the
    // rest in a chain of sectors each ending with the number of the next one.
    const qint64 fatCount = U32(ABytes, 0x2C);
    if (fatCount * sector > ABytes.size())
        throw damaged();
    QList<quint32> fat;
    for (int i = 0; i < HeaderFatSectors && fat.size() < fatCount; ++i)
        fat << U32(ABytes, 0x4C + 4 * i);
    const qint64 perSector = sector / 4;
    quint32 next = U32(ABytes, 0x44);
    for (qint64 hops = 0; fat.size() < fatCount && next < LastRegularSector && hops < fatCount;
         ++hops) {
        for (qint64 i = 0; i < perSector - 1 && fat.size() < fatCount; ++i)
            fat << U32(ABytes, offset(next) + 4 * i);
        next = U32(ABytes, offset(next) + 4 * (perSector - 1));
    }
    const auto following = [&](quint32 ASector) {
        const qint64 index = ASector / perSector;
        if (index >= fat.size() || fat.at(index) >= LastRegularSector)
            return NoStream;
        return U32(ABytes, offset(fat.at(index)) + 4 * (ASector % perSector));
    };

    // The root entry is the directory's first, with no siblings.
    const quint32 first = U32(ABytes, 0x30);
    if (first >= LastRegularSector || offset(first) + EntrySize > ABytes.size())
        throw damaged();
    const qint64 root = offset(first);
    if (ABytes.at(root + 0x42) != 5 || U32(ABytes, root + 0x44) != NoStream ||
        U32(ABytes, root + 0x48) != NoStream)
        throw damaged();

    // The directory's length, which bounds the entries libgsf walks; a chain that loops
    // runs into the bound as well.
    const qint64 maxSectors = (MaxEntries * EntrySize + sector - 1) / sector;
    qint64 sectors = 0;
    for (quint32 s = first; s < LastRegularSector; s = following(s))
        if (++sectors > maxSectors)
            throw WorkbookError::Make(AFileName,
                                      QStringLiteral("в каталоге книги больше %1 записей; "
                                                     "книга повреждена или составлена "
                                                     "намеренно")
                                          .arg(MaxEntries));
}

} // namespace CompoundFile
