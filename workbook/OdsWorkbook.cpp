#include "OdsWorkbook.h"

#include "CellText.h"
#include "UsedRange.h"
#include "WorkbookError.h"
#include "ZipArchive.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <memory>

namespace {

// Rows and columns a sheet has; repeats past them are the writer's padding.
constexpr qint64 SheetRows = 1048576;
constexpr qint64 SheetCols = 16384;

const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString ConfigNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:config:1.0");
const QString CalcExtNs =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

bool Is(const QXmlStreamReader& AXml, const QString& ANs, QLatin1String AName) {
    return AXml.name() == AName && AXml.namespaceUri() == ANs;
}

qint64 Repeat(const QXmlStreamAttributes& AAttributes, QLatin1String AName) {
    bool ok = false;
    const qint64 n = AAttributes.value(TableNs, AName).toLongLong(&ok);
    return ok && n > 0 ? qMin(n, SheetRows) : 1;
}

// The text of a paragraph (the reader on its start, left on its end): characters,
// <text:s text:c="n"/> spaces, tabs and line breaks, nested spans and links; notes
// and annotations are not the cell's text. Iterative, so no nesting depth of a
// crafted file reaches the stack.
void AppendText(QXmlStreamReader& AXml, QString& AText) {
    int depth = 1;
    while (depth > 0 && !AXml.atEnd()) {
        const QXmlStreamReader::TokenType t = AXml.readNext();
        if (t == QXmlStreamReader::Characters) {
            AText += AXml.text();
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
        } else if (t == QXmlStreamReader::StartElement) {
            const QStringView name = AXml.name();
            const bool text = AXml.namespaceUri() == TextNs;
            if (text && name == QLatin1String("s")) {
                bool ok = false;
                const int n = AXml.attributes().value(TextNs, QLatin1String("c")).toInt(&ok);
                // Capped: each space is memory, and a cell holds at most 32767 characters.
                AText += QString(ok && n > 0 ? qMin(n, 32767) : 1, QLatin1Char(' '));
                AXml.skipCurrentElement();
            } else if (text && name == QLatin1String("tab")) {
                AText += QLatin1Char('\t');
                AXml.skipCurrentElement();
            } else if (text && name == QLatin1String("line-break")) {
                AText += QLatin1Char('\n');
                AXml.skipCurrentElement();
            } else if (!text || name == QLatin1String("note")) {
                AXml.skipCurrentElement();
            } else {
                ++depth; // span, a, and the like: their text counts
            }
        }
        if (AText.size() > 32767 * 4)
            AText.truncate(32767 * 4);
    }
}

struct TCell {
    bool HasValue = false;
    QString Text;
};

// Reads one table:table-cell (the reader on its start, left on its end).
TCell ReadCell(QXmlStreamReader& AXml) {
    const QXmlStreamAttributes a = AXml.attributes();
    const QStringView type = a.value(OfficeNs, QLatin1String("value-type"));
    const QStringView calcType = a.value(CalcExtNs, QLatin1String("value-type"));
    QString paragraphs;
    bool hasParagraph = false;
    while (AXml.readNextStartElement()) {
        if (Is(AXml, TextNs, QLatin1String("p")) || Is(AXml, TextNs, QLatin1String("h"))) {
            if (hasParagraph)
                paragraphs += QLatin1Char('\n');
            hasParagraph = true;
            AppendText(AXml, paragraphs);
        } else {
            AXml.skipCurrentElement(); // annotations, pictures, sub-tables
        }
    }
    TCell cell;
    if (calcType == QLatin1String("error")) {
        cell.HasValue = true;
        cell.Text = CellText::Error(paragraphs);
    } else if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
               type == QLatin1String("currency")) {
        bool ok = false;
        const double v = a.value(OfficeNs, QLatin1String("value")).toDouble(&ok);
        cell.HasValue = true;
        cell.Text = ok ? CellText::Number(v) : paragraphs;
    } else if (type == QLatin1String("date")) {
        cell.HasValue = true;
        cell.Text = CellText::IsoDate(a.value(OfficeNs, QLatin1String("date-value")).toString());
    } else if (type == QLatin1String("boolean")) {
        const QStringView v = a.value(OfficeNs, QLatin1String("boolean-value"));
        cell.HasValue = true;
        cell.Text = CellText::Boolean(v == QLatin1String("true") || v == QLatin1String("1"));
    } else if (type == QLatin1String("string")) {
        cell.HasValue = true;
        cell.Text =
            hasParagraph ? paragraphs : a.value(OfficeNs, QLatin1String("string-value")).toString();
    } else if (!type.isEmpty() || hasParagraph) {
        // time and anything else: as the file shows it.
        cell.HasValue = hasParagraph;
        cell.Text = paragraphs;
    }
    return cell;
}

// Reads the rows of one table (the reader on its start, left on its end).
TSheetValues ReadTable(QXmlStreamReader& AXml, const QString& AFileName) {
    TUsedRange used(AFileName);
    qint64 row = 0;
    int depth = 1;
    while (depth > 0 && !AXml.atEnd()) {
        const QXmlStreamReader::TokenType t = AXml.readNext();
        if (t == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = AXml.name();
        if (AXml.namespaceUri() != TableNs) {
            AXml.skipCurrentElement();
            continue;
        }
        if (name != QLatin1String("table-row")) {
            // Row groups and header rows hold rows; anything else (columns, shapes,
            // named ranges) is skipped whole.
            if (name == QLatin1String("table-row-group") ||
                name == QLatin1String("table-header-rows") || name == QLatin1String("table-rows"))
                ++depth;
            else
                AXml.skipCurrentElement();
            continue;
        }
        const qint64 rows = Repeat(AXml.attributes(), QLatin1String("number-rows-repeated"));
        qint64 col = 0;
        while (AXml.readNextStartElement()) {
            const bool covered = Is(AXml, TableNs, QLatin1String("covered-table-cell"));
            if (!covered && !Is(AXml, TableNs, QLatin1String("table-cell"))) {
                AXml.skipCurrentElement();
                continue;
            }
            const qint64 cols = Repeat(AXml.attributes(), QLatin1String("number-columns-repeated"));
            // A merged range shows only its first cell's value.
            const TCell cell = ReadCell(AXml);
            if (cell.HasValue && !covered && row < SheetRows && col < SheetCols)
                used.AddRepeated(row, col, qMin(rows, SheetRows - row), qMin(cols, SheetCols - col),
                                 cell.Text);
            col = qMin(col + cols, SheetCols);
        }
        row = qMin(row + rows, SheetRows);
    }
    TZipPart::CheckXml(AXml, AFileName, QStringLiteral("content.xml"));
    return used.Values();
}

} // namespace

QString TOdsWorkbook::ActiveTable(const QByteArray& ASettingsXml) {
    QBuffer buffer;
    buffer.setData(ASettingsXml);
    buffer.open(QIODevice::ReadOnly);
    return ActiveTable(&buffer);
}

QString TOdsWorkbook::ActiveTable(QIODevice* ASettingsXml) {
    QXmlStreamReader xml(ASettingsXml);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && Is(xml, ConfigNs, QLatin1String("config-item")) &&
            xml.attributes().value(ConfigNs, QLatin1String("name")) == QLatin1String("ActiveTable"))
            return xml.readElementText();
    }
    return QString();
}

TWorkbookSheets TOdsWorkbook::Sheets(const QByteArray& ABytes, const QString& AFileName) {
    auto zip = std::make_shared<const TZipArchive>(ABytes, AFileName);
    QString active;
    {
        TZipPart settings(*zip, QStringLiteral("settings.xml"), false);
        active = ActiveTable(&settings);
        settings.Check();
    }
    TWorkbookSheets sheets;
    {
        TZipPart content(*zip, QStringLiteral("content.xml"));
        QXmlStreamReader xml(&content);
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || !Is(xml, TableNs, QLatin1String("table")))
                continue;
            const QString name = xml.attributes().value(TableNs, QLatin1String("name")).toString();
            if (sheets.Active < 0 && !active.isEmpty() && name == active)
                sheets.Active = int(sheets.Names.size());
            sheets.Names << name;
            xml.skipCurrentElement();
        }
        TZipPart::CheckXml(xml, AFileName, QStringLiteral("content.xml"));
    }
    if (sheets.Names.isEmpty())
        throw WorkbookError::Make(AFileName, QStringLiteral("в книге нет ни одного листа"));
    // A table is read by its place: two tables may carry one name in a crafted file.
    sheets.Read = [zip, AFileName](int AIndex) {
        TZipPart content(*zip, QStringLiteral("content.xml"));
        QXmlStreamReader xml(&content);
        int index = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || !Is(xml, TableNs, QLatin1String("table")))
                continue;
            if (index++ == AIndex)
                return ReadTable(xml, AFileName);
            xml.skipCurrentElement();
        }
        TZipPart::CheckXml(xml, AFileName, QStringLiteral("content.xml"));
        return TSheetValues(1, 1);
    };
    return sheets;
}
