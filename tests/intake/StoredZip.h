#pragma once

// Zip packages written by the tests themselves: stored (uncompressed) entries with
// their checksums, so a test can give a reader exactly the parts it means to.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <zlib.h>

namespace StoredZip {

inline void Put(QByteArray& AOut, quint32 AValue, int ABytes) {
    for (int i = 0; i < ABytes; ++i)
        AOut.append(char((AValue >> (8 * i)) & 0xff));
}

inline QByteArray Write(const QList<QPair<QByteArray, QByteArray>>& AParts) {
    QByteArray out, dir;
    for (const auto& [name, data] : AParts) {
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        const quint32 offset = quint32(out.size());
        for (QByteArray* b : {&out, &dir}) {
            const bool central = b == &dir;
            Put(*b, central ? 0x02014b50 : 0x04034b50, 4);
            if (central)
                Put(*b, 20, 2);
            Put(*b, 20, 2);
            Put(*b, 0, 2); // flags
            Put(*b, 0, 2); // stored
            Put(*b, 0, 4); // time, date
            Put(*b, crc, 4);
            Put(*b, quint32(data.size()), 4);
            Put(*b, quint32(data.size()), 4);
            Put(*b, quint32(name.size()), 2);
            Put(*b, 0, 2); // extra
            if (central) {
                Put(*b, 0, 2); // comment
                Put(*b, 0, 2); // disk
                Put(*b, 0, 2); // internal attributes
                Put(*b, 0, 4); // external attributes
                Put(*b, offset, 4);
            }
            b->append(name);
        }
        out.append(data);
    }
    const quint32 at = quint32(out.size());
    out.append(dir);
    Put(out, 0x06054b50, 4);
    Put(out, 0, 4);
    Put(out, quint32(AParts.size()), 2);
    Put(out, quint32(AParts.size()), 2);
    Put(out, quint32(dir.size()), 4);
    Put(out, at, 4);
    Put(out, 0, 2);
    return out;
}

} // namespace StoredZip
