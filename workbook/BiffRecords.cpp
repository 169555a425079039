#include "BiffRecords.h"

#include <cstring>

namespace {

quint16 Le16(const char* AData) {
    const auto* p = reinterpret_cast<const uchar*>(AData);
    return quint16(p[0] | (p[1] << 8));
}

} // namespace

bool TBiffRecords::Seek(qint64 AOffset) {
    if (AOffset < 0 || AOffset >= FStream.size())
        return false;
    FAt = AOffset;
    return true;
}

bool TBiffRecords::Next(TRecord& ARecord) {
    const auto header = [&](quint16& AType, qint64& ALength) {
        if (FAt + 4 > FStream.size())
            return false;
        AType = Le16(FStream.constData() + FAt);
        ALength = Le16(FStream.constData() + FAt + 2);
        return FAt + 4 + ALength <= FStream.size();
    };
    quint16 type = 0;
    qint64 length = 0;
    if (!header(type, length))
        return false;
    ARecord.Type = type;
    ARecord.Offset = FAt;
    ARecord.Data = {FStream.mid(FAt + 4, length)};
    FAt += 4 + length;
    quint16 nextType = 0;
    qint64 nextLength = 0;
    while (header(nextType, nextLength) && nextType == RecContinue) {
        ARecord.Data.append(FStream.mid(FAt + 4, nextLength));
        FAt += 4 + nextLength;
    }
    return true;
}

void TBiffCursor::NextSegmentIfDone() {
    while (FSegment < FSegments.size() && FAt >= Segment().size()) {
        ++FSegment;
        FAt = 0;
    }
}

bool TBiffCursor::AtEnd() const {
    for (qsizetype s = FSegment; s < FSegments.size(); ++s)
        if ((s == FSegment ? FSegments.at(s).size() - FAt : FSegments.at(s).size()) > 0)
            return false;
    return true;
}

qint64 TBiffCursor::Left() const {
    qint64 n = 0;
    for (qsizetype s = FSegment; s < FSegments.size(); ++s)
        n += s == FSegment ? FSegments.at(s).size() - FAt : FSegments.at(s).size();
    return n;
}

quint8 TBiffCursor::U8() {
    NextSegmentIfDone();
    if (FSegment >= FSegments.size())
        throw EBiffShort{};
    return quint8(Segment().at(FAt++));
}

quint16 TBiffCursor::U16() {
    const quint16 lo = U8();
    return quint16(lo | (U8() << 8));
}

quint32 TBiffCursor::U32() {
    const quint32 lo = U16();
    return lo | (quint32(U16()) << 16);
}

double TBiffCursor::F64() {
    quint64 bits = U32();
    bits |= quint64(U32()) << 32;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void TBiffCursor::Skip(qint64 ACount) {
    while (ACount > 0) {
        NextSegmentIfDone();
        if (FSegment >= FSegments.size())
            throw EBiffShort{};
        const qint64 step = qMin<qint64>(ACount, Segment().size() - FAt);
        FAt += step;
        ACount -= step;
    }
}

QString TBiffCursor::Characters(qint64 ACount, bool AHigh) {
    QString s;
    if (!FBiff8) {
        // BIFF5: bytes in the code page; a string never spans a CONTINUE there.
        QByteArray bytes;
        for (qint64 i = 0; i < ACount; ++i)
            bytes.append(char(U8()));
        return FDecoder && FDecoder->isValid() ? FDecoder->decode(bytes)
                                               : QString::fromLatin1(bytes);
    }
    s.reserve(qMin<qint64>(ACount, Left()));
    bool high = AHigh;
    for (qint64 i = 0; i < ACount; ++i) {
        if (FSegment < FSegments.size() && FAt >= Segment().size()) {
            // The characters go on in the next CONTINUE, which restates the option byte.
            NextSegmentIfDone();
            high = U8() & 0x01;
        }
        s.append(high ? QChar(U16()) : QChar(U8()));
    }
    return s;
}

QString TBiffCursor::String(bool ALongLength) {
    const qint64 count = ALongLength ? U16() : U8();
    if (!FBiff8)
        return Characters(count, false);
    const quint8 options = U8();
    const qint64 runs = (options & 0x08) ? U16() : 0;
    const qint64 extended = (options & 0x04) ? qint64(U32()) : 0;
    QString s = Characters(count, options & 0x01);
    Skip(runs * 4);
    Skip(extended);
    return s;
}
