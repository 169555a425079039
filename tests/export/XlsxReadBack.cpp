#include "XlsxReadBack.h"

#include <QProcess>
#include <QXmlStreamReader>

#include <ixion/address.hpp>
#include <ixion/model_context.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <orcus/spreadsheet/sheet.hpp>
#include <orcus/spreadsheet/styles.hpp>

namespace ss = orcus::spreadsheet;

namespace {

ixion::abs_address_t Address(int ARow, int AColumn) {
    return ixion::abs_address_t(0, ARow - 1, AColumn - 1);
}

bool Thin(const ss::border_attrs_t& ASide) {
    return ASide.style == ss::border_style_t::thin;
}

} // namespace

TXlsxReadBack::TXlsxReadBack(const QString& APath) : FPath(APath) {
    try {
        FDoc = std::make_unique<ss::document>(ss::range_size_t{1048576, 16384});
        ss::import_factory factory(*FDoc);
        orcus::orcus_xlsx loader(&factory);
        loader.read_file(APath.toStdString());
        if (FDoc->get_sheet_count() < 1)
            FError = QStringLiteral("no worksheet");
    } catch (const std::exception& e) {
        FError = QString::fromUtf8(e.what());
    }
}

TXlsxReadBack::~TXlsxReadBack() = default;

TXlsxReadBack::TCell TXlsxReadBack::Type(int ARow, int AColumn) const {
    switch (FDoc->get_model_context().get_celltype(Address(ARow, AColumn))) {
    case ixion::celltype_t::empty:
        return TCell::Empty;
    case ixion::celltype_t::string:
        return TCell::Text;
    case ixion::celltype_t::numeric:
        return TCell::Number;
    default:
        return TCell::Other;
    }
}

QString TXlsxReadBack::Text(int ARow, int AColumn) const {
    if (Type(ARow, AColumn) != TCell::Text)
        return QString();
    const std::string_view s = FDoc->get_model_context().get_string_value(Address(ARow, AColumn));
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

double TXlsxReadBack::Number(int ARow, int AColumn) const {
    return FDoc->get_model_context().get_numeric_value(Address(ARow, AColumn));
}

int TXlsxReadBack::LastRow() const {
    const ss::sheet* sheet = FDoc->get_sheet(0);
    const ixion::abs_range_t range = sheet->get_data_range();
    if (!range.valid())
        return 0;
    return range.last.row + 1;
}

QPair<int, int> TXlsxReadBack::MergedColumns(int ARow, int AColumn) const {
    const ss::range_t r = FDoc->get_sheet(0)->get_merge_cell_range(ARow - 1, AColumn - 1);
    return {r.first.column + 1, r.last.column + 1};
}

bool TXlsxReadBack::MergedRows(int ARow, int AColumn) const {
    const ss::range_t r = FDoc->get_sheet(0)->get_merge_cell_range(ARow - 1, AColumn - 1);
    return r.first.row != r.last.row;
}

TXlsxReadBack::TStyle TXlsxReadBack::Style(int ARow, int AColumn) const {
    TStyle style;
    const size_t xf = FDoc->get_sheet(0)->get_cell_format(ARow - 1, AColumn - 1);
    const ss::styles& styles = FDoc->get_styles();
    const ss::cell_format_t* format = styles.get_cell_format(xf);
    if (!format)
        return style;
    if (const ss::font_t* font = styles.get_font(format->font)) {
        style.Font = QString::fromUtf8(font->name.data(), qsizetype(font->name.size()));
        style.Size = font->size;
        style.Bold = font->bold;
    }
    style.Left = format->hor_align == ss::hor_alignment_t::left;
    if (const ss::border_t* border = styles.get_border(format->border))
        style.BorderedSides = int(Thin(border->top)) + int(Thin(border->bottom)) +
                              int(Thin(border->left)) + int(Thin(border->right));
    return style;
}

QByteArray TXlsxReadBack::Part(const QString& AName) const {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), FPath, AName});
    if (!unzip.waitForFinished(30000) || unzip.exitStatus() != QProcess::NormalExit ||
        unzip.exitCode() != 0)
        return QByteArray();
    return unzip.readAllStandardOutput();
}

TXlsxReadBack::TPageSetup TXlsxReadBack::PageSetup() const {
    TPageSetup p;
    QXmlStreamReader xml(Part(QStringLiteral("xl/worksheets/sheet1.xml")));
    bool rowBreaks = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("rowBreaks"))
            rowBreaks = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        auto number = [&a](const char* AName, double ADefault) {
            const QString v = a.value(QLatin1String(AName)).toString();
            return v.isEmpty() ? ADefault : v.toDouble();
        };
        if (xml.name() == QLatin1String("pageSetUpPr")) {
            p.FitToPage = a.value(QStringLiteral("fitToPage")) == QLatin1String("1");
        } else if (xml.name() == QLatin1String("pageSetup")) {
            p.Paper = int(number("paperSize", 1));
            p.Orientation = a.value(QStringLiteral("orientation")).toString();
            p.FitToWidth = int(number("fitToWidth", 1));
            p.FitToHeight = int(number("fitToHeight", 1));
        } else if (xml.name() == QLatin1String("pageMargins")) {
            p.Left = number("left", -1);
            p.Right = number("right", -1);
            p.Top = number("top", -1);
            p.Bottom = number("bottom", -1);
        } else if (xml.name() == QLatin1String("rowBreaks")) {
            rowBreaks = true;
        } else if (rowBreaks && xml.name() == QLatin1String("brk") &&
                   a.value(QStringLiteral("man")) == QLatin1String("1")) {
            // A break's id is the last row of the page above it, counted from 1.
            p.PageStarts << int(number("id", 0)) + 1;
        }
    }
    QXmlStreamReader book(Part(QStringLiteral("xl/workbook.xml")));
    while (!book.atEnd()) {
        if (book.readNext() == QXmlStreamReader::StartElement &&
            book.name() == QLatin1String("definedName") &&
            book.attributes().value(QStringLiteral("name")) == QLatin1String("_xlnm.Print_Area")) {
            const QString ref = book.readElementText();
            p.PrintArea = ref.mid(ref.lastIndexOf(QLatin1Char('!')) + 1);
        }
    }
    return p;
}

QStringList TXlsxReadBack::MergedRanges() const {
    QStringList ranges;
    QXmlStreamReader xml(Part(QStringLiteral("xl/worksheets/sheet1.xml")));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("mergeCell"))
            ranges << xml.attributes().value(QStringLiteral("ref")).toString();
    }
    return ranges;
}

int TXlsxReadBack::SheetCount() const {
    QXmlStreamReader xml(Part(QStringLiteral("xl/workbook.xml")));
    int n = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("sheet"))
            ++n;
    }
    return n;
}

QList<TXlsxReadBack::TPicture> TXlsxReadBack::Pictures(int AColumn) const {
    QList<TPicture> in;
    for (const TPicture& p : Pictures())
        if (p.Column == AColumn)
            in << p;
    return in;
}

QList<TXlsxReadBack::TPicture> TXlsxReadBack::Pictures() const {
    // Relationship ids of the drawing to media names.
    QMap<QString, QString> media;
    {
        QXmlStreamReader rels(Part(QStringLiteral("xl/drawings/_rels/drawing1.xml.rels")));
        while (!rels.atEnd()) {
            if (rels.readNext() == QXmlStreamReader::StartElement &&
                rels.name() == QLatin1String("Relationship")) {
                QString target = rels.attributes().value(QStringLiteral("Target")).toString();
                target.replace(QStringLiteral("../"), QStringLiteral("xl/"));
                media.insert(rels.attributes().value(QStringLiteral("Id")).toString(), target);
            }
        }
    }
    QList<TPicture> pictures;
    QXmlStreamReader xml(Part(QStringLiteral("xl/drawings/drawing1.xml")));
    TPicture current;
    bool inFrom = false, inTo = false, inPicture = false;
    QString field;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::StartElement) {
            if (name == QLatin1String("twoCellAnchor") || name == QLatin1String("oneCellAnchor")) {
                current = TPicture();
                inPicture = false;
            } else if (name == QLatin1String("from")) {
                inFrom = true;
            } else if (name == QLatin1String("to")) {
                inTo = true;
            } else if (inTo) {
                const qint64 v = xml.readElementText().toLongLong();
                if (name == QLatin1String("row"))
                    current.ToRow = int(v) + 1;
                else if (name == QLatin1String("col"))
                    current.ToColumn = int(v) + 1;
                else if (name == QLatin1String("rowOff"))
                    current.ToRowOffsetEmu = v;
                else if (name == QLatin1String("colOff"))
                    current.ToColumnOffsetEmu = v;
            } else if (name == QLatin1String("pic")) {
                inPicture = true;
            } else if (inFrom && (name == QLatin1String("row") || name == QLatin1String("col"))) {
                const int v = xml.readElementText().toInt() + 1;
                (name == QLatin1String("row") ? current.Row : current.Column) = v;
            } else if (inPicture && name == QLatin1String("off")) {
                current.TopEmu = xml.attributes().value(QStringLiteral("y")).toLongLong();
            } else if (inPicture && name == QLatin1String("ext")) {
                current.WidthEmu = xml.attributes().value(QStringLiteral("cx")).toLongLong();
                current.HeightEmu = xml.attributes().value(QStringLiteral("cy")).toLongLong();
            } else if (name == QLatin1String("blip")) {
                for (const QXmlStreamAttribute& a : xml.attributes())
                    if (a.name() == QLatin1String("embed"))
                        current.Media = media.value(a.value().toString());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (name == QLatin1String("from"))
                inFrom = false;
            else if (name == QLatin1String("to"))
                inTo = false;
            else if (name == QLatin1String("twoCellAnchor") ||
                     name == QLatin1String("oneCellAnchor"))
                pictures << current;
        }
    }
    return pictures;
}

QMap<int, double> TXlsxReadBack::ColumnWidths() const {
    QMap<int, double> widths;
    QXmlStreamReader xml(Part(QStringLiteral("xl/worksheets/sheet1.xml")));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("col")) {
            const auto a = xml.attributes();
            const int first = a.value(QStringLiteral("min")).toInt();
            const int last = a.value(QStringLiteral("max")).toInt();
            for (int c = first; c <= last; ++c)
                widths.insert(c, a.value(QStringLiteral("width")).toDouble());
        }
    }
    return widths;
}

double TXlsxReadBack::DefaultRowHeight() const {
    QXmlStreamReader xml(Part(QStringLiteral("xl/worksheets/sheet1.xml")));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("sheetFormatPr"))
            return xml.attributes().value(QStringLiteral("defaultRowHeight")).toDouble();
    }
    return 0;
}

QStringList TXlsxReadBack::Dump(int AFirstRow, int ALastRow) const {
    QStringList lines;
    for (int r = AFirstRow; r <= ALastRow; ++r) {
        QStringList cells;
        for (int c = 1; c <= 8; ++c) {
            switch (Type(r, c)) {
            case TCell::Text:
                cells << Text(r, c);
                break;
            case TCell::Number:
                cells << QStringLiteral("#") + QString::number(Number(r, c), 'g', 15);
                break;
            default:
                cells << QString();
            }
        }
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}
