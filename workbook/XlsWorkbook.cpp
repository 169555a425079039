// libgsf's headers come first: they use identifiers Qt's headers would turn into macros.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include "XlsWorkbook.h"

#include "BiffRecords.h"
#include "CellText.h"
#include "CompoundFile.h"
#include "UsedRange.h"
#include "WorkbookError.h"

#include <QHash>

#include <cstring>
#include <memory>
#include <mutex>

namespace {

using TKind = CellText::TNumberKind;

// BIFF record types.
constexpr quint16 RecBof8 = 0x0809;
constexpr quint16 RecEof = 0x000A;
constexpr quint16 RecFilePass = 0x002F;
constexpr quint16 RecCodePage = 0x0042;
constexpr quint16 RecDateMode = 0x0022;
constexpr quint16 RecWindow1 = 0x003D;
constexpr quint16 RecBoundSheet = 0x0085;
constexpr quint16 RecSst = 0x00FC;
constexpr quint16 RecFormat = 0x041E;
constexpr quint16 RecXf = 0x00E0;
constexpr quint16 RecLabelSst = 0x00FD;
constexpr quint16 RecLabel = 0x0204;
constexpr quint16 RecRString = 0x00D6;
constexpr quint16 RecRk = 0x027E;
constexpr quint16 RecMulRk = 0x00BD;
constexpr quint16 RecNumber = 0x0203;
constexpr quint16 RecBoolErr = 0x0205;
constexpr quint16 RecFormula = 0x0006;
constexpr quint16 RecString = 0x0207;

// A real book has a handful of sheets; a crafted one must not list millions.
constexpr qsizetype MaxSheets = 10'000;

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // A damaged compound document makes libgsf log assertion failures before it
        // reports the error we turn into the user's message; the log says nothing more.
        for (const char* domain : {"libgsf", "libgsf:msole", "GLib-GObject", "GLib"})
            g_log_set_handler(
                domain, GLogLevelFlags(G_LOG_LEVEL_MASK),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

// Releases a GObject on every path.
template <typename T> struct TGObject {
    T* Ptr = nullptr;
    ~TGObject() {
        if (Ptr)
            g_object_unref(Ptr);
    }
};

double RkValue(quint32 ARk) {
    double v;
    if (ARk & 0x02) {
        v = double(qint32(ARk) >> 2);
    } else {
        const quint64 bits = quint64(ARk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (ARk & 0x01) ? v / 100.0 : v;
}

QString ErrorName(quint8 ACode) {
    switch (ACode) {
    case 0x00:
        return CellText::Error(QStringLiteral("#NULL!"));
    case 0x07:
        return CellText::Error(QStringLiteral("#DIV/0!"));
    case 0x0F:
        return CellText::Error(QStringLiteral("#VALUE!"));
    case 0x17:
        return CellText::Error(QStringLiteral("#REF!"));
    case 0x1D:
        return CellText::Error(QStringLiteral("#NAME?"));
    case 0x24:
        return CellText::Error(QStringLiteral("#NUM!"));
    default:
        return CellText::Error(QStringLiteral("#N/A"));
    }
}

// Spreadsheet::WriteExcel writes the UTF-16 text result of a formula (its STRING
// record) in big-endian byte order. Read as the format says it is, such text is all
// characters whose low byte is 0-4 (the high byte of a Latin or Cyrillic character)
// and whose high byte is not: then the bytes are turned back. Real text of that form
// would be a run of CJK characters ending in 00-04 only.
QString FormulaResultText(QString AText) {
    if (AText.isEmpty())
        return AText;
    for (const QChar c : AText) {
        const ushort u = c.unicode();
        if ((u & 0xff) > 0x04 || u < 0x1000 || ushort((u >> 8) | (u << 8)) < 0x20)
            return AText;
    }
    for (QChar& c : AText)
        c = QChar(ushort((c.unicode() >> 8) | (c.unicode() << 8)));
    return AText;
}

struct TSheetEntry {
    qint64 Offset = 0;
    bool Worksheet = false;
    QString Name;
};

// What the workbook globals say.
struct TGlobals {
    bool Biff8 = true;
    bool Date1904 = false;
    bool Encrypted = false;
    int ActiveTab = -1; // no WINDOW1: the file names no active sheet
    QList<TSheetEntry> Sheets;
    QList<QString> Strings;
    QList<TKind> XfKinds;
};

class TReader {
public:
    TReader(const QByteArray& AStream, const QString& AFileName)
        : FRecords(AStream), FFileName(AFileName) {}

    // The worksheets in tab order and the one saved active (-1 when none is).
    TWorkbookSheets Sheets(const std::shared_ptr<TReader>& ASelf) {
        try {
            ReadGlobals();
        } catch (const TBiffCursor::EBiffShort&) {
            throw Damaged();
        }
        if (FGlobals.Encrypted)
            throw WorkbookError::Make(FFileName, WorkbookError::Password);
        TWorkbookSheets sheets;
        QList<qint64> offsets;
        for (qsizetype i = 0; i < FGlobals.Sheets.size(); ++i) {
            const TSheetEntry& e = FGlobals.Sheets.at(i);
            if (!e.Worksheet)
                continue;
            if (i == FGlobals.ActiveTab)
                sheets.Active = int(sheets.Names.size());
            sheets.Names << e.Name;
            offsets << e.Offset;
        }
        if (offsets.isEmpty())
            throw WorkbookError::Make(FFileName, QStringLiteral("в книге нет ни одного листа"));
        sheets.Read = [ASelf, offsets](int AIndex) {
            try {
                return ASelf->ReadSheet(offsets.value(AIndex, offsets.first()));
            } catch (const TBiffCursor::EBiffShort&) {
                throw ASelf->Damaged();
            }
        };
        return sheets;
    }

private:
    EGravelonError Damaged() const {
        return WorkbookError::Make(FFileName, WorkbookError::Damaged);
    }

    void ReadGlobals() {
        TBiffRecords::TRecord r;
        if (!FRecords.Next(r) || r.Type != RecBof8 || r.Data.first().size() < 4)
            throw Damaged();
        {
            TBiffCursor bof(r.Data, true, nullptr);
            const quint16 version = bof.U16();
            FGlobals.Biff8 = version == 0x0600;
            if (version != 0x0600 && version != 0x0500)
                throw WorkbookError::Make(FFileName,
                                          QStringLiteral("книга записана в формате Excel ранее "
                                                         "версии 5.0; сохраните её как .xlsx"));
        }
        QHash<int, TKind> formats;
        while (FRecords.Next(r)) {
            if (r.Type == RecEof)
                break;
            TBiffCursor c(r.Data, FGlobals.Biff8, &FDecoder);
            switch (r.Type) {
            case RecFilePass:
                FGlobals.Encrypted = true;
                return;
            case RecCodePage: {
                const quint16 cp = c.U16();
                if (cp != 1200)
                    FDecoder = QStringDecoder(cp == 10000 ? "macintosh"
                                                          : QByteArray("windows-") +
                                                                QByteArray::number(cp));
                break;
            }
            case RecDateMode:
                FGlobals.Date1904 = c.U16() == 1;
                break;
            case RecWindow1:
                c.Skip(10);
                FGlobals.ActiveTab = c.U16();
                break;
            case RecBoundSheet: {
                if (FGlobals.Sheets.size() >= MaxSheets)
                    throw WorkbookError::Make(
                        FFileName, QStringLiteral("в книге больше %1 листов").arg(MaxSheets));
                TSheetEntry e;
                e.Offset = c.U32();
                c.U8(); // visibility
                e.Worksheet = c.U8() == 0;
                // The name only tells the operator which sheet was read: a short
                // record still gives its sheet.
                try {
                    e.Name = c.String(false);
                } catch (const TBiffCursor::EBiffShort&) {
                }
                FGlobals.Sheets.append(e);
                break;
            }
            case RecFormat: {
                const int id = c.U16();
                formats.insert(id, CellText::FormatCodeKind(c.String(FGlobals.Biff8)));
                break;
            }
            case RecXf: {
                c.U16(); // font
                const int id = c.U16();
                FGlobals.XfKinds.append(formats.value(id, CellText::BuiltInFormatKind(id)));
                break;
            }
            case RecSst:
                ReadSst(c);
                break;
            default:
                break;
            }
        }
    }

    void ReadSst(TBiffCursor& ACursor) {
        ACursor.U32(); // references
        const qint64 count = ACursor.U32();
        if (count > TUsedRange::MaxValueCells)
            throw WorkbookError::Make(
                FFileName,
                QStringLiteral("в книге больше %1 разных строк").arg(TUsedRange::MaxValueCells));
        // Counted against the sheet's bound on text as they are read: a string table of
        // single-byte characters doubles once it is text.
        qint64 chars = 0;
        for (qint64 i = 0; i < count && !ACursor.AtEnd(); ++i) {
            FGlobals.Strings.append(ACursor.String(true));
            chars += FGlobals.Strings.last().size();
            if (chars > TUsedRange::MaxTextChars)
                throw WorkbookError::Make(FFileName,
                                          QStringLiteral("в ячейках листа больше %1 млн знаков")
                                              .arg(TUsedRange::MaxTextChars / (1024 * 1024)));
        }
    }

    TKind Kind(int AXf) const { return FGlobals.XfKinds.value(AXf, TKind::Number); }
    QString NumberText(double AValue, int AXf) const {
        return CellText::Serial(AValue, FGlobals.Date1904, Kind(AXf));
    }

    TSheetValues ReadSheet(qint64 AOffset) {
        TUsedRange used(FFileName);
        TBiffRecords::TRecord r;
        if (!FRecords.Seek(AOffset) || !FRecords.Next(r) || r.Type != RecBof8)
            throw Damaged();
        // A formula with a text result: the text follows in a STRING record.
        qint64 pendingRow = -1, pendingCol = -1;
        int depth = 1; // a chart embedded in the sheet has a BOF/EOF of its own
        while (depth > 0 && FRecords.Next(r)) {
            TBiffCursor c(r.Data, FGlobals.Biff8, &FDecoder);
            if (r.Type == RecBof8) {
                ++depth;
                continue;
            }
            if (r.Type == RecEof) {
                --depth;
                continue;
            }
            if (depth > 1)
                continue;
            switch (r.Type) {
            case RecLabelSst: {
                const quint16 row = c.U16(), col = c.U16();
                c.U16();
                const quint32 index = c.U32();
                if (index >= quint32(FGlobals.Strings.size()))
                    throw Damaged();
                used.Add(row, col, FGlobals.Strings.at(index));
                break;
            }
            case RecLabel:
            case RecRString: {
                const quint16 row = c.U16(), col = c.U16();
                c.U16();
                used.Add(row, col, c.String(true));
                break;
            }
            case RecRk: {
                const quint16 row = c.U16(), col = c.U16(), xf = c.U16();
                used.Add(row, col, NumberText(RkValue(c.U32()), xf));
                break;
            }
            case RecMulRk: {
                const quint16 row = c.U16(), first = c.U16();
                const qint64 n = (c.Left() - 2) / 6;
                for (qint64 i = 0; i < n; ++i) {
                    const quint16 xf = c.U16();
                    used.Add(row, first + i, NumberText(RkValue(c.U32()), xf));
                }
                break;
            }
            case RecNumber: {
                const quint16 row = c.U16(), col = c.U16(), xf = c.U16();
                used.Add(row, col, NumberText(c.F64(), xf));
                break;
            }
            case RecBoolErr: {
                const quint16 row = c.U16(), col = c.U16();
                c.U16();
                const quint8 value = c.U8();
                used.Add(row, col, c.U8() ? ErrorName(value) : CellText::Boolean(value));
                break;
            }
            case RecFormula: {
                const quint16 row = c.U16(), col = c.U16(), xf = c.U16();
                quint8 result[8];
                for (quint8& b : result)
                    b = c.U8();
                if (result[6] != 0xFF || result[7] != 0xFF) {
                    double v;
                    std::memcpy(&v, result, sizeof v);
                    used.Add(row, col, NumberText(v, xf));
                } else if (result[0] == 0) {
                    pendingRow = row;
                    pendingCol = col;
                } else if (result[0] == 1) {
                    used.Add(row, col, CellText::Boolean(result[2]));
                } else if (result[0] == 2) {
                    used.Add(row, col, ErrorName(result[2]));
                } else if (result[0] == 3) {
                    used.Add(row, col, QString());
                }
                break;
            }
            case RecString:
                if (pendingRow >= 0)
                    used.Add(pendingRow, pendingCol, FormulaResultText(c.String(true)));
                pendingRow = pendingCol = -1;
                break;
            default:
                break;
            }
        }
        return used.Values();
    }

    TBiffRecords FRecords;
    QString FFileName;
    TGlobals FGlobals;
    // BIFF5 text is in the workbook's code page; Windows Cyrillic until it says otherwise.
    QStringDecoder FDecoder{"windows-1251"};
};

} // namespace

TWorkbookSheets TXlsWorkbook::Sheets(const QByteArray& ABytes, const QString& AFileName) {
    CompoundFile::Check(ABytes, AFileName);
    InitGsf();
    TGObject<GsfInput> input;
    input.Ptr = gsf_input_memory_new(reinterpret_cast<const guint8*>(ABytes.constData()),
                                     gsf_off_t(ABytes.size()), FALSE);
    if (!input.Ptr)
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    GError* err = nullptr;
    TGObject<GsfInfile> ole;
    ole.Ptr = gsf_infile_msole_new(input.Ptr, &err);
    if (err)
        g_clear_error(&err);
    if (!ole.Ptr)
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    {
        TGObject<GsfInput> encrypted;
        encrypted.Ptr = gsf_infile_child_by_name(ole.Ptr, "EncryptedPackage");
        if (encrypted.Ptr)
            throw WorkbookError::Make(AFileName, WorkbookError::Password);
    }
    TGObject<GsfInput> book;
    book.Ptr = gsf_infile_child_by_name(ole.Ptr, "Workbook");
    if (!book.Ptr)
        book.Ptr = gsf_infile_child_by_name(ole.Ptr, "Book");
    if (!book.Ptr)
        throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);
    const gsf_off_t size = gsf_input_size(book.Ptr);
    if (size > MaxStreamBytes)
        throw WorkbookError::Make(
            AFileName, QStringLiteral("книга больше %1 МБ").arg(MaxStreamBytes / (1024 * 1024)));
    // A stream is made of the file's own sectors: one longer than the file is damaged.
    if (size <= 0 || size > ABytes.size())
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    QByteArray stream(qsizetype(size), Qt::Uninitialized);
    if (!gsf_input_read(book.Ptr, size_t(size), reinterpret_cast<guint8*>(stream.data())))
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    auto reader = std::make_shared<TReader>(stream, AFileName);
    return reader->Sheets(reader);
}
