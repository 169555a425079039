// libgsf's headers come first: they use identifiers Qt's headers would turn into macros.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <freexl.h>

#include "XlsWorkbook.h"

#include "CellText.h"
#include "UsedRange.h"
#include "WorkbookError.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <mutex>

namespace {

// BIFF record types read from the workbook globals.
constexpr quint16 RecBof = 0x0809;
constexpr quint16 RecEof = 0x000A;
constexpr quint16 RecFilePass = 0x002F;
constexpr quint16 RecWindow1 = 0x003D;
constexpr quint16 RecBoundSheet = 0x0085;

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // A damaged compound document makes libgsf log assertion failures before it
        // reports the error we turn into the user's message; the log says nothing more.
        for (const char* domain : {"libgsf", "libgsf:msole"})
            g_log_set_handler(
                domain, GLogLevelFlags(G_LOG_LEVEL_MASK),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

quint16 U16(const guint8* AData) {
    return quint16(AData[0] | (AData[1] << 8));
}

// Releases a GObject on every path.
template <typename T> struct TGObject {
    T* Ptr = nullptr;
    ~TGObject() {
        if (Ptr)
            g_object_unref(Ptr);
    }
};

QString BoundSheetName(const guint8* AData, quint16 ALength) {
    // BIFF8: lbPlyPos(4) hsState(1) dt(1) cch(1) fHighByte(1) characters.
    if (ALength < 8)
        return QString();
    const int cch = AData[6];
    const bool high = AData[7] & 1;
    if (high) {
        if (ALength < 8 + 2 * cch)
            return QString();
        QString s;
        for (int i = 0; i < cch; ++i)
            s.append(QChar(U16(AData + 8 + 2 * i)));
        return s;
    }
    if (ALength < 8 + cch)
        return QString();
    return QString::fromLatin1(reinterpret_cast<const char*>(AData + 8), cch);
}

QString FreeXlReason(int ACode) {
    switch (ACode) {
    case FREEXL_FILE_NOT_FOUND:
        return WorkbookError::NotFound;
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return WorkbookError::NotWorkbook;
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("недостаточно памяти");
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return QStringLiteral("текст книги записан в неподдерживаемой кодировке");
    default:
        return WorkbookError::Damaged + QStringLiteral(" (код FreeXL %1)").arg(ACode);
    }
}

// Releases the FreeXL handle on every path.
struct TFreeXl {
    const void* Handle = nullptr;
    ~TFreeXl() {
        if (Handle)
            freexl_close(Handle);
    }
};

QString CellValueText(const FreeXL_CellValue& ACell) {
    switch (ACell.type) {
    case FREEXL_CELL_INT:
        return QString::number(ACell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return CellText::Number(ACell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return ACell.value.text_value ? QString::fromUtf8(ACell.value.text_value) : QString();
    case FREEXL_CELL_DATE: {
        // Dates read as the user sees them in a Russian spreadsheet.
        const QDate d = QDate::fromString(QString::fromUtf8(ACell.value.text_value),
                                          QStringLiteral("yyyy-MM-dd"));
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy"))
                           : QString::fromUtf8(ACell.value.text_value);
    }
    case FREEXL_CELL_DATETIME: {
        const QDateTime d = QDateTime::fromString(QString::fromUtf8(ACell.value.text_value),
                                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                           : QString::fromUtf8(ACell.value.text_value);
    }
    case FREEXL_CELL_TIME:
        return ACell.value.text_value ? QString::fromUtf8(ACell.value.text_value) : QString();
    default:
        return QString();
    }
}

} // namespace

TXlsWorkbook::TGlobals TXlsWorkbook::ReadGlobals(const QString& AFileName) {
    InitGsf();
    TGlobals g;
    const QByteArray path = QFile::encodeName(AFileName);
    GError* err = nullptr;
    TGObject<GsfInput> input;
    input.Ptr = gsf_input_stdio_new(path.constData(), &err);
    if (err)
        g_clear_error(&err);
    if (!input.Ptr)
        return g;
    TGObject<GsfInfile> ole;
    ole.Ptr = gsf_infile_msole_new(input.Ptr, &err);
    if (err)
        g_clear_error(&err);
    if (!ole.Ptr)
        return g;
    g.IsOle = true;
    {
        TGObject<GsfInput> encrypted;
        encrypted.Ptr = gsf_infile_child_by_name(ole.Ptr, "EncryptedPackage");
        if (encrypted.Ptr) {
            g.Encrypted = true;
            return g;
        }
    }
    TGObject<GsfInput> book;
    book.Ptr = gsf_infile_child_by_name(ole.Ptr, "Workbook");
    if (!book.Ptr)
        book.Ptr = gsf_infile_child_by_name(ole.Ptr, "Book");
    if (!book.Ptr)
        return g;
    g.HasWorkbook = true;
    bool inGlobals = false;
    while (gsf_input_remaining(book.Ptr) >= 4) {
        const guint8* head = gsf_input_read(book.Ptr, 4, nullptr);
        if (!head)
            break;
        const quint16 type = U16(head);
        const quint16 length = U16(head + 2);
        if (gsf_input_remaining(book.Ptr) < length)
            break;
        const guint8* data = length ? gsf_input_read(book.Ptr, length, nullptr) : nullptr;
        if (length && !data)
            break;
        if (type == RecBof || type == 0x0209 || type == 0x0409) {
            if (inGlobals)
                break; // the first sheet's substream: the globals are over
            inGlobals = true;
        } else if (type == RecEof) {
            break;
        } else if (type == RecFilePass) {
            g.Encrypted = true;
            break;
        } else if (type == RecWindow1 && length >= 12) {
            g.ActiveTab = U16(data + 10);
        } else if (type == RecBoundSheet) {
            g.SheetNames.append(BoundSheetName(data, length));
        }
    }
    return g;
}

TSheetValues TXlsWorkbook::ReadActiveSheet(const QString& AFileName) {
    const TGlobals globals = ReadGlobals(AFileName);
    if (globals.Encrypted)
        throw WorkbookError::Make(AFileName, WorkbookError::Password);
    if (globals.IsOle && !globals.HasWorkbook)
        throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);

    TFreeXl xl;
    const QByteArray path = QFile::encodeName(AFileName);
    int rc = freexl_open(path.constData(), &xl.Handle);
    if (rc != FREEXL_OK) {
        // A failed open may still leave a handle to release.
        throw WorkbookError::Make(AFileName, FreeXlReason(rc));
    }
    unsigned int info = 0;
    if (freexl_get_info(xl.Handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        throw WorkbookError::Make(AFileName, WorkbookError::Password);
    unsigned int count = 0;
    rc = freexl_get_info(xl.Handle, FREEXL_BIFF_SHEET_COUNT, &count);
    if (rc != FREEXL_OK)
        throw WorkbookError::Make(AFileName, FreeXlReason(rc));
    if (count == 0)
        throw WorkbookError::Make(AFileName, QStringLiteral("в книге нет ни одного листа"));

    // itabCur counts every sheet of the workbook; FreeXL's list is matched by name so a
    // chart sheet before the active one cannot shift the choice.
    unsigned int active = globals.ActiveTab < int(count) ? unsigned(globals.ActiveTab) : 0;
    const QString activeName = globals.SheetNames.value(globals.ActiveTab);
    if (!activeName.isEmpty()) {
        for (unsigned int i = 0; i < count; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(xl.Handle, quint16(i), &name) == FREEXL_OK && name &&
                QString::fromUtf8(name) == activeName) {
                active = i;
                break;
            }
        }
    }
    rc = freexl_select_active_worksheet(xl.Handle, quint16(active));
    if (rc != FREEXL_OK)
        throw WorkbookError::Make(AFileName, FreeXlReason(rc));
    unsigned int rows = 0;
    unsigned short cols = 0;
    rc = freexl_worksheet_dimensions(xl.Handle, &rows, &cols);
    if (rc != FREEXL_OK)
        throw WorkbookError::Make(AFileName, FreeXlReason(rc));
    if (qint64(rows) * cols > TUsedRange::MaxCells)
        throw WorkbookError::Make(AFileName, QStringLiteral("заполненная область листа слишком "
                                                            "велика (%1 строк × %2 столбцов)")
                                                 .arg(rows)
                                                 .arg(cols));
    TUsedRange used;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue cell;
            rc = freexl_get_cell_value(xl.Handle, r, c, &cell);
            if (rc != FREEXL_OK)
                throw WorkbookError::Make(AFileName, FreeXlReason(rc));
            if (cell.type == FREEXL_CELL_NULL)
                continue;
            used.Add(r, c, CellValueText(cell));
        }
    }
    return used.Values(AFileName);
}
