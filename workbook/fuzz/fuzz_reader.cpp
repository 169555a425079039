// A libFuzzer target for one workbook reader: any input must give values or the
// reader's Russian error, within the bounds the readers set; a crash, a sanitizer
// report, an exception of another kind, a hang or a leak is a finding.
//
// Mutating a zip container directly mostly breaks its checksums, so the .xlsx and .ods
// targets take two kinds of input: file bytes (the zip layer itself), or a list of
// parts, told by its first line ("--part NAME" lines, each followed by the part's
// text), that the target packs into a valid zip, so the mutations reach the XML.
// tools/fuzz_seeds.py writes both kinds from the workbooks in the tree and packs a
// list the fuzzer found into the workbook the replay test reads. Any workbook file
// is an input as it stands, so a target replays files given on its command line.

#include "Errors.h"
#include "OdsWorkbook.h"
#include "XlsWorkbook.h"
#include "XlsxWorkbook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <zlib.h>

#if !defined(GRAVELON_FUZZ_XLS)
namespace {

void Put16(QByteArray& AOut, quint32 AValue) {
    AOut.append(char(AValue & 0xff)).append(char((AValue >> 8) & 0xff));
}

void Put32(QByteArray& AOut, quint32 AValue) {
    Put16(AOut, AValue & 0xffff);
    Put16(AOut, AValue >> 16);
}

// Stored (uncompressed) entries with correct checksums.
QByteArray Zip(const QList<QPair<QByteArray, QByteArray>>& AParts) {
    QByteArray out, dir;
    for (const auto& [name, data] : AParts) {
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        const quint32 offset = quint32(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, 0);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, quint32(data.size()));
        Put32(out, quint32(data.size()));
        Put16(out, quint32(name.size()));
        Put16(out, 0);
        out.append(name).append(data);
        Put32(dir, 0x02014b50);
        Put16(dir, 20);
        Put16(dir, 20);
        Put16(dir, 0);
        Put16(dir, 0);
        Put32(dir, 0);
        Put32(dir, crc);
        Put32(dir, quint32(data.size()));
        Put32(dir, quint32(data.size()));
        Put16(dir, quint32(name.size()));
        Put32(dir, 0);
        Put32(dir, 0);
        Put32(dir, 0);
        Put32(dir, offset);
        dir.append(name);
    }
    const quint32 at = quint32(out.size());
    out.append(dir);
    Put32(out, 0x06054b50);
    Put32(out, 0);
    Put16(out, quint32(AParts.size()));
    Put16(out, quint32(AParts.size()));
    Put32(out, quint32(dir.size()));
    Put32(out, at);
    Put16(out, 0);
    return out;
}

QByteArray Packed(const QByteArray& AList) {
    QList<QPair<QByteArray, QByteArray>> parts;
    const QByteArray marker = QByteArrayLiteral("--part ");
    qsizetype at = AList.indexOf(marker);
    while (at >= 0) {
        const qsizetype eol = AList.indexOf('\n', at);
        if (eol < 0)
            break;
        const QByteArray name = AList.mid(at + marker.size(), eol - at - marker.size());
        const qsizetype next = AList.indexOf("\n" + marker, eol);
        parts.append({name, AList.mid(eol + 1, next < 0 ? -1 : next - eol - 1)});
        at = next < 0 ? -1 : next + 1;
    }
    return Zip(parts);
}

} // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    QByteArray bytes(reinterpret_cast<const char*>(AData), qsizetype(ASize));
#if !defined(GRAVELON_FUZZ_XLS)
    if (bytes.startsWith("--part "))
        bytes = Packed(bytes);
#endif
    const QString name = QStringLiteral("заявка");
    try {
#if defined(GRAVELON_FUZZ_XLSX)
        const TWorkbookSheets sheets = TXlsxWorkbook::Sheets(bytes, name);
#elif defined(GRAVELON_FUZZ_ODS)
        const TWorkbookSheets sheets = TOdsWorkbook::Sheets(bytes, name);
#else
        const TWorkbookSheets sheets = TXlsWorkbook::Sheets(bytes, name);
#endif
        // Every sheet, as the order's sheet may be looked for on each; every cell
        // touched, so a range that claims more than it holds is caught.
        for (int i = 0; i < sheets.Names.size(); ++i) {
            const TSheetValues v = sheets.Read(i);
            qsizetype total = 0;
            for (int r = 1; r <= v.RowCount(); ++r)
                for (int c = 1; c <= v.ColCount(); ++c)
                    total += v.Cell(r, c).size();
            (void)total;
        }
    } catch (const EGravelonError& e) {
        if (!e.Message().startsWith(QStringLiteral("Не удалось прочитать файл")))
            std::abort();
    }
    return 0;
}
