#include "XlsxWorkbook.h"

#include "CellText.h"
#include "UsedRange.h"
#include "WorkbookError.h"
#include "ZipArchive.h"

#include <QHash>
#include <QList>
#include <QXmlStreamReader>
#include <memory>

namespace {

using TKind = CellText::TNumberKind;

// Sheets of a workbook, relationships of a part: a real book has a handful, and a
// crafted one must not fill the memory with millions of tiny entries.
constexpr qsizetype MaxListed = 10'000;

// A target of a relationship, resolved against the folder of the part that holds
// it; absolute targets start from the package root.
QString ResolvePart(const QString& ABasePart, const QString& ATarget) {
    QString target = ATarget;
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    if (!target.startsWith(QLatin1Char('/'))) {
        parts = ABasePart.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (!parts.isEmpty())
            parts.removeLast();
    }
    for (const QString& p : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (p != QLatin1String("."))
            parts << p;
    }
    return parts.join(QLatin1Char('/'));
}

QString RelsOf(const QString& APart) {
    const qsizetype slash = APart.lastIndexOf(QLatin1Char('/'));
    return APart.left(slash + 1) + QStringLiteral("_rels/") + APart.mid(slash + 1) +
           QStringLiteral(".rels");
}

struct TRelationship {
    QString Type;   // the last segment of the type URI: "worksheet", "sharedStrings" ...
    QString Target; // resolved part name
};

// The relationships of APart, by id.
QHash<QString, TRelationship> Relationships(const TZipArchive& AZip, const QString& APart) {
    QHash<QString, TRelationship> rels;
    TZipPart part(AZip, RelsOf(APart), false);
    QXmlStreamReader xml(&part);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        if (rels.size() >= MaxListed)
            break;
        const QString type = a.value(QLatin1String("Type")).toString();
        rels.insert(a.value(QLatin1String("Id")).toString(),
                    {type.mid(type.lastIndexOf(QLatin1Char('/')) + 1),
                     ResolvePart(APart, a.value(QLatin1String("Target")).toString())});
    }
    // The list is read leniently, its part not: a part over a bound is refused.
    part.Check();
    return rels;
}

QString FirstOfType(const QHash<QString, TRelationship>& ARels, const QString& AType) {
    QString found;
    for (auto it = ARels.cbegin(); it != ARels.cend(); ++it)
        if (it->Type == AType && (found.isEmpty() || it->Target < found))
            found = it->Target;
    return found;
}

// An attribute by its local name, whatever its namespace prefix (r:id, or a strict
// package's own prefix).
QStringView Attribute(const QXmlStreamAttributes& AAttributes, QLatin1String AName) {
    for (const QXmlStreamAttribute& a : AAttributes)
        if (a.name() == AName)
            return a.value();
    return {};
}

bool Truthy(QStringView AValue) {
    return AValue == QLatin1String("1") || AValue == QLatin1String("true");
}

// The text of a string item (<si>, <is>): its <t>, or the <t> of each rich-text run;
// phonetic runs (<rPh>) are readings, not part of the text. The reader stands on the
// item's start and is left on its end.
QString ItemText(QXmlStreamReader& AXml) {
    QString text;
    int depth = 1;
    while (depth > 0 && !AXml.atEnd()) {
        const QXmlStreamReader::TokenType t = AXml.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (AXml.name() == QLatin1String("rPh")) {
                AXml.skipCurrentElement();
            } else if (AXml.name() == QLatin1String("t")) {
                text += AXml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else {
                ++depth;
            }
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return text;
}

void CheckXml(const QXmlStreamReader& AXml, const QString& AFileName, const QString& APart) {
    TZipPart::CheckXml(AXml, AFileName, APart);
}

QList<QString> SharedStrings(const TZipArchive& AZip, const QString& APart,
                             const QString& AFileName) {
    QList<QString> strings;
    if (APart.isEmpty())
        return strings;
    TZipPart part(AZip, APart, false);
    QXmlStreamReader xml(&part);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si")) {
            // Each item costs memory even when it is empty ("<si/>", five bytes).
            if (strings.size() >= TUsedRange::MaxValueCells)
                throw WorkbookError::Make(AFileName,
                                          QStringLiteral("в книге больше %1 разных строк")
                                              .arg(TUsedRange::MaxValueCells));
            strings.append(ItemText(xml));
        }
    }
    CheckXml(xml, AFileName, APart);
    return strings;
}

// Per cell format (the cell's s attribute), what its number format makes of a number.
QList<TKind> CellFormatKinds(const TZipArchive& AZip, const QString& APart,
                             const QString& AFileName) {
    QList<TKind> kinds;
    if (APart.isEmpty())
        return kinds;
    QHash<int, QString> codes;
    TZipPart part(AZip, APart, false);
    QXmlStreamReader xml(&part);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == QLatin1String("numFmt")) {
                codes.insert(a.value(QLatin1String("numFmtId")).toInt(),
                             a.value(QLatin1String("formatCode")).toString());
            } else if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                const int id = a.value(QLatin1String("numFmtId")).toInt();
                const auto code = codes.constFind(id);
                kinds.append(code != codes.constEnd() ? CellText::FormatCodeKind(*code)
                                                      : CellText::BuiltInFormatKind(id));
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    CheckXml(xml, AFileName, APart);
    return kinds;
}

// "BC12" -> zero-based row 11, column 54. False when it is no cell reference within
// the sheet's limits.
bool CellReference(QStringView ARef, qint64& ARow, qint64& ACol) {
    qsizetype i = 0;
    qint64 col = 0;
    while (i < ARef.size() && ARef.at(i).isLetter() && ARef.at(i).unicode() < 128) {
        col = col * 26 + (ARef.at(i).toUpper().unicode() - 'A' + 1);
        if (col > 16384)
            return false;
        ++i;
    }
    qint64 row = 0;
    const qsizetype digits = i;
    while (i < ARef.size() && ARef.at(i).isDigit() && ARef.at(i).unicode() < 128) {
        row = row * 10 + (ARef.at(i).unicode() - '0');
        if (row > 1048576)
            return false;
        ++i;
    }
    if (col == 0 || row == 0 || i != ARef.size() || digits == i)
        return false;
    ARow = row - 1;
    ACol = col - 1;
    return true;
}

struct TBook {
    QString SheetPart;      // the sheet read
    QStringList SheetParts; // the worksheets, in tab order
    QStringList SheetNames;
    int Active = -1;
    QString SharedStringsPart;
    QString StylesPart;
    bool Date1904 = false;
};

TBook Book(const TZipArchive& AZip, const QString& AFileName) {
    TBook book;
    QString workbook =
        FirstOfType(Relationships(AZip, QString()), QStringLiteral("officeDocument"));
    if (workbook.isEmpty())
        workbook = QStringLiteral("xl/workbook.xml");
    const QHash<QString, TRelationship> rels = Relationships(AZip, workbook);
    book.SharedStringsPart = FirstOfType(rels, QStringLiteral("sharedStrings"));
    book.StylesPart = FirstOfType(rels, QStringLiteral("styles"));

    TZipPart part(AZip, workbook);
    QXmlStreamReader xml(&part);
    int activeTab = -1;
    bool viewSeen = false;
    QStringList sheetParts;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("workbookPr")) {
            book.Date1904 = Truthy(a.value(QLatin1String("date1904")));
        } else if (xml.name() == QLatin1String("workbookView") && !viewSeen) {
            viewSeen = true;
            // Without the attribute the first tab is the active one.
            activeTab = a.value(QLatin1String("activeTab")).toInt();
        } else if (xml.name() == QLatin1String("sheet")) {
            const TRelationship r = rels.value(Attribute(a, QLatin1String("id")).toString());
            if (sheetParts.size() >= MaxListed)
                throw WorkbookError::Make(
                    AFileName, QStringLiteral("в книге больше %1 листов").arg(MaxListed));
            // A chart sheet keeps its place in the tab order but holds no cells.
            if (r.Type == QLatin1String("worksheet")) {
                if (sheetParts.size() == activeTab)
                    book.Active = int(book.SheetParts.size());
                book.SheetParts << r.Target;
                book.SheetNames << Attribute(a, QLatin1String("name")).toString();
            }
            sheetParts << r.Target;
        }
    }
    CheckXml(xml, AFileName, workbook);
    if (sheetParts.isEmpty())
        throw WorkbookError::Make(AFileName, QStringLiteral("в книге нет ни одного листа"));
    return book;
}

TSheetValues Sheet(const TZipArchive& AZip, const TBook& ABook, const QString& AFileName) {
    TUsedRange used(AFileName);
    if (ABook.SheetPart.isEmpty())
        return used.Values();
    const QList<QString> strings = SharedStrings(AZip, ABook.SharedStringsPart, AFileName);
    const QList<TKind> kinds = CellFormatKinds(AZip, ABook.StylesPart, AFileName);
    const auto damaged = [&](const QString& AWhat) {
        return WorkbookError::Make(
            AFileName, WorkbookError::Damaged +
                           QStringLiteral(" (лист «%1»: %2)").arg(ABook.SheetPart, AWhat));
    };

    TZipPart part(AZip, ABook.SheetPart);
    QXmlStreamReader xml(&part);
    qint64 row = -1;
    qint64 col = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("row")) {
            // Row and cell references may be left out: then they follow the previous one.
            const QStringView r = xml.attributes().value(QLatin1String("r"));
            bool ok = true;
            const qint64 n = r.isEmpty() ? row + 2 : r.toLongLong(&ok);
            // A row without its number is named by the number it would have had.
            if (!ok || n < 1 || n > 1048576)
                throw damaged(QStringLiteral("номер строки %1")
                                  .arg(r.isEmpty() ? QString::number(n)
                                                   : CellText::Quoted(r.toString())));
            row = n - 1;
            col = -1;
            continue;
        }
        if (xml.name() != QLatin1String("c"))
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView ref = a.value(QLatin1String("r"));
        if (ref.isEmpty()) {
            ++col;
            row = qMax<qint64>(row, 0);
        } else if (!CellReference(ref, row, col)) {
            throw damaged(QStringLiteral("адрес ячейки %1").arg(CellText::Quoted(ref.toString())));
        }
        if (col >= 16384)
            throw damaged(QStringLiteral("ячейка за последним столбцом"));
        const QStringView type = a.value(QLatin1String("t"));
        const int style = a.value(QLatin1String("s")).toInt();

        QString value;
        bool hasValue = false;
        QString inlineText;
        bool hasInline = false;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("v")) {
                value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                hasValue = true;
            } else if (xml.name() == QLatin1String("is")) {
                inlineText = ItemText(xml);
                hasInline = true;
            } else {
                xml.skipCurrentElement();
            }
        }
        if (xml.hasError())
            break;

        QString text;
        if (type == QLatin1String("inlineStr")) {
            if (!hasInline && !hasValue)
                continue;
            text = hasInline ? inlineText : value;
        } else if (!hasValue) {
            continue; // a formatted empty cell, or a formula never calculated
        } else if (type == QLatin1String("s")) {
            bool ok = false;
            const qint64 i = value.trimmed().toLongLong(&ok);
            if (!ok || i < 0 || i >= strings.size())
                throw damaged(QStringLiteral("нет общей строки %1").arg(CellText::Quoted(value)));
            text = strings.at(i);
        } else if (type == QLatin1String("str")) {
            text = value;
        } else if (type == QLatin1String("b")) {
            text = CellText::Boolean(Truthy(QStringView(value).trimmed()));
        } else if (type == QLatin1String("e")) {
            text = CellText::Error(value);
        } else if (type == QLatin1String("d")) {
            text = CellText::IsoDate(value);
        } else {
            bool ok = false;
            const double v = value.trimmed().toDouble(&ok);
            if (!ok)
                throw damaged(QStringLiteral("число «%1»").arg(CellText::Quoted(value)));
            text = CellText::Serial(v, ABook.Date1904, kinds.value(style, TKind::Number));
        }
        used.Add(row, col, text);
    }
    CheckXml(xml, AFileName, ABook.SheetPart);
    return used.Values();
}

} // namespace

TWorkbookSheets TXlsxWorkbook::Sheets(const QByteArray& ABytes, const QString& AFileName) {
    auto zip = std::make_shared<const TZipArchive>(ABytes, AFileName);
    auto book = std::make_shared<TBook>(Book(*zip, AFileName));
    TWorkbookSheets sheets;
    sheets.Names = book->SheetNames;
    sheets.Active = book->Active;
    sheets.Read = [zip, book, AFileName](int AIndex) {
        TBook one = *book;
        one.SheetPart = book->SheetParts.value(AIndex);
        return Sheet(*zip, one, AFileName);
    };
    return sheets;
}
