#include "LayoutWorkbook.h"

#include "BlockPicture.h"
#include "Errors.h"
#include "ExportTempFile.h"
#include "QuietStderr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

// Excel's row height for Calibri 14. Stated for the whole sheet so that the pictures,
// which the writer anchors to rows by their heights, keep their size when the
// spreadsheet lays the rows out for the larger font.
constexpr double SheetRowHeight = 18.75;

// The page: A4 (the format's paper number 9) with the spreadsheet's "narrow" margins,
// in inches.
constexpr uint8_t A4Paper = 9;
constexpr double NarrowSideMargin = 0.25;
constexpr double NarrowTopMargin = 0.75;

// What a cell of the format may hold: 32,767 characters.
constexpr qsizetype CellChars = 32767;

// What a libxlsxwriter error means for the operator.
QString WriterProblem(lxw_error AError, bool ADiskFull) {
    switch (AError) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("не хватает памяти; закройте другие программы и повторите");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        if (ADiskFull)
            return QStringLiteral("на диске нет места; освободите место или выберите другой "
                                  "диск");
        return QStringLiteral("не удалось записать файл книги или прочитать рисунок раскладки; "
                              "проверьте место на диске и папку resources программы");
    default:
        return QStringLiteral("книга не может быть записана");
    }
}

} // namespace

TLayoutWorkbook::TLayoutWorkbook(const QString& ATargetFile) {
    // Refuses a target that is no regular file before anything is written.
    FTemp = std::make_unique<TExportTempFile>(ATargetFile);
    FTarget = FTemp->Target();
    {
        TQuietStderr quiet;
        FWorkbook = workbook_new(QFile::encodeName(FTemp->WritePath()).constData());
    }
    if (!FWorkbook)
        throw EGravelonError(QStringLiteral("Не удалось создать книгу"));
    FSheet = workbook_add_worksheet(FWorkbook, nullptr);
    if (!FSheet) {
        Discard();
        throw EGravelonError(QStringLiteral("Не удалось добавить лист"));
    }
    FText = workbook_add_format(FWorkbook);
    FBordered = workbook_add_format(FWorkbook);
    for (lxw_format* f : {FText, FBordered}) {
        format_set_font_name(f, "Calibri");
        format_set_font_size(f, 14);
        format_set_bold(f);
        format_set_align(f, LXW_ALIGN_LEFT);
    }
    format_set_border(FBordered, LXW_BORDER_THIN);
    worksheet_set_default_row(FSheet, SheetRowHeight, LXW_FALSE);
}

TLayoutWorkbook::~TLayoutWorkbook() {
    Discard();
}

QString TLayoutWorkbook::TemporaryFile() const {
    return FTemp ? FTemp->VisiblePath() : QString();
}

void TLayoutWorkbook::Discard() {
    // Frees the workbook without writing it; the temporary file goes with FTemp.
    if (FWorkbook) {
        TQuietStderr quiet;
        lxw_workbook_free(FWorkbook);
        FWorkbook = nullptr;
    }
}

void TLayoutWorkbook::Check(int AError, const char* AWhat) const {
    if (AError == LXW_NO_ERROR)
        return;
    // The Russian sentence first; the library's own words after it, for tracing.
    throw EGravelonError(
        QStringLiteral("Ошибка записи книги (%1): %2 (%3)")
            .arg(QLatin1String(AWhat),
                 WriterProblem(lxw_error(AError), FTemp && FTemp->DiskFull()),
                 QString::fromUtf8(lxw_strerror(lxw_error(AError)))));
}

QByteArray TLayoutWorkbook::Utf8(const QString& AText) {
    if (AText.size() <= CellChars)
        return AText.toUtf8();
    // The format holds no longer text: the cell keeps its beginning and says it was cut.
    // A character outside the basic plane is two units here and one there, so the
    // text never comes out longer than the cell takes.
    qsizetype keep = CellChars - 1;
    if (AText.at(keep - 1).isHighSurrogate())
        --keep;
    ++FCutCells;
    return (AText.left(keep) + QChar(0x2026)).toUtf8();
}

void TLayoutWorkbook::WriteText(int ARow, int AColumn, const QString& AText) {
    const QByteArray text = Utf8(AText);
    Check(worksheet_write_string(FSheet, lxw_row_t(ARow - 1), lxw_col_t(AColumn - 1),
                                 text.constData(), FText),
          "worksheet_write_string");
    FWidths.Note(AColumn - 1, AText);
    NoteCell(ARow, AColumn);
}

void TLayoutWorkbook::WriteNumber(int ARow, int AColumn, double AValue) {
    Check(
        worksheet_write_number(FSheet, lxw_row_t(ARow - 1), lxw_col_t(AColumn - 1), AValue, FText),
        "worksheet_write_number");
    // Shown in the General format: up to ten significant digits.
    FWidths.Note(AColumn - 1, QString::number(AValue, 'g', 10));
    NoteCell(ARow, AColumn);
}

void TLayoutWorkbook::MergeText(int ARow, int AFirstColumn, int ALastColumn, const QString& AText) {
    const QByteArray text = Utf8(AText);
    Check(worksheet_merge_range(FSheet, lxw_row_t(ARow - 1), lxw_col_t(AFirstColumn - 1),
                                lxw_row_t(ARow - 1), lxw_col_t(ALastColumn - 1), text.constData(),
                                FText),
          "worksheet_merge_range");
    NoteCell(ARow, ALastColumn);
}

void TLayoutWorkbook::WriteTable(int ARow, int AColumn, const QList<QStringList>& ARows) {
    for (qsizetype r = 0; r < ARows.size(); ++r) {
        const QStringList& cells = ARows.at(r);
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QByteArray text = Utf8(cells.at(c));
            const int column = AColumn + int(c);
            Check(worksheet_write_string(FSheet, lxw_row_t(ARow + r - 1), lxw_col_t(column - 1),
                                         text.constData(), FBordered),
                  "worksheet_write_string");
            FWidths.Note(column - 1, cells.at(c));
            NoteCell(ARow + int(r), column);
        }
    }
}

void TLayoutWorkbook::HeightForRowsCovered(int ARow, double APixelHeight) {
    // The writer anchors a picture to the rows it covers when it is inserted, taking a
    // row it has no height for as 20 pixels high; the spreadsheet would then stretch the
    // picture over the taller rows. So the covered rows get their height first.
    const double rowPixels = SheetRowHeight * 96 / 72;
    const int covered = int(std::ceil(APixelHeight / rowPixels));
    for (int i = 0; i <= covered; ++i)
        Check(worksheet_set_row(FSheet, lxw_row_t(ARow - 1 + i), SheetRowHeight, nullptr),
              "worksheet_set_row");
}

void TLayoutWorkbook::InsertPng(int ARow, int AColumn, const QByteArray& APng, int APixelHeight) {
    HeightForRowsCovered(ARow, APixelHeight);
    lxw_image_options options{};
    options.y_offset = 2;
    int error = LXW_NO_ERROR;
    {
        TQuietStderr quiet;
        // The writer copies the bytes at once.
        error = worksheet_insert_image_buffer_opt(
            FSheet, lxw_row_t(ARow - 1), lxw_col_t(AColumn - 1),
            reinterpret_cast<const unsigned char*>(APng.constData()), size_t(APng.size()),
            &options);
    }
    Check(error, "worksheet_insert_image_buffer_opt");
}

void TLayoutWorkbook::InsertPicture(int ARow, int AColumn, const TBlockPicture& APicture) {
    HeightForRowsCovered(ARow, APicture.TargetPixels().height());
    lxw_image_options options{};
    options.x_scale = APicture.XScale();
    options.y_scale = APicture.YScale();
    const QByteArray path = QFile::encodeName(APicture.PngPath());
    int error = LXW_NO_ERROR;
    {
        TQuietStderr quiet;
        error = worksheet_insert_image_opt(FSheet, lxw_row_t(ARow - 1), lxw_col_t(AColumn - 1),
                                           path.constData(), &options);
    }
    Check(error, "worksheet_insert_image_opt");
}

void TLayoutWorkbook::AllRowsAtSheetHeight() {
    // Every row of the sheet is SheetRowHeight high, the ones given that height for a
    // picture included. Told so before it places the pictures (when the workbook is
    // closed), the writer places each from the one height times its row; otherwise it
    // adds up every row above each picture, a tree lookup a row, which grows with the
    // square of the pallets: 13 s for 3,000 of them, about a minute for 6,000. Its sum
    // also took rows with text but no height of their own as 15 pt.
    FSheet->row_size_changed = LXW_FALSE;
    FSheet->default_row_pixels = uint32_t(SheetRowHeight * 96 / 72);
}

void TLayoutWorkbook::NoteCell(int ARow, int AColumn) {
    FLastColumn = std::max(FLastColumn, AColumn);
    FLastRow = std::max(FLastRow, ARow);
}

void TLayoutWorkbook::StartBlock(int ARow) {
    FBlockRows << ARow;
}

void TLayoutWorkbook::SetUpPages() {
    worksheet_set_paper(FSheet, A4Paper);
    worksheet_set_portrait(FSheet);
    worksheet_set_margins(FSheet, NarrowSideMargin, NarrowSideMargin, NarrowTopMargin,
                          NarrowTopMargin);
    // As wide as one page, as many pages tall as the notes need: the breaks decide.
    worksheet_fit_to_pages(FSheet, 1, 0);
    // A break goes above the row it names, counted from 0: before every block but the
    // first. The format holds at most LXW_BREAKS_MAX; later blocks follow on.
    std::vector<lxw_row_t> breaks;
    for (int row : FBlockRows) {
        if (row > 1 && breaks.size() < LXW_BREAKS_MAX)
            breaks.push_back(lxw_row_t(row - 1));
    }
    if (!breaks.empty()) {
        breaks.push_back(0);
        Check(worksheet_set_h_pagebreaks(FSheet, breaks.data()), "worksheet_set_h_pagebreaks");
    }
    if (FLastRow > 0)
        Check(worksheet_print_area(FSheet, 0, 0, lxw_row_t(FLastRow - 1),
                                   lxw_col_t(std::max(FLastColumn, 1) - 1)),
              "worksheet_print_area");
}

void TLayoutWorkbook::Commit() {
    if (!FWorkbook)
        throw EGravelonError(QStringLiteral("Книга уже закрыта"));
    // The sheet's font for every column in use, so that blank cells of the used range
    // carry it too; an empty sheet still has its first column.
    const int last = std::max(FLastColumn, 1);
    for (int c = 0; c < last; ++c)
        Check(worksheet_set_column(FSheet, lxw_col_t(c), lxw_col_t(c), FWidths.Width(c), FText),
              "worksheet_set_column");
    SetUpPages();
    AllRowsAtSheetHeight();

    lxw_workbook* workbook = FWorkbook;
    FWorkbook = nullptr; // closing frees it, whatever the outcome
    int error = LXW_NO_ERROR;
    {
        TQuietStderr quiet;
        error = workbook_close(workbook);
    }
    Check(error, "workbook_close");
    FTemp->Place();
}
