#include "OrcusWorkbook.h"

#include "CellText.h"
#include "UsedRange.h"
#include "WorkbookError.h"

#include <QXmlStreamReader>

#include <ixion/address.hpp>
#include <ixion/cell.hpp>
#include <ixion/formula_result.hpp>
#include <ixion/model_context.hpp>
#include <ixion/model_iterator.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <orcus/spreadsheet/sheet.hpp>
#include <orcus/spreadsheet/view.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <stdexcept>
#include <vector>

namespace {

namespace ss = orcus::spreadsheet;

QString FromUtf8(std::string_view AText) {
    return QString::fromUtf8(AText.data(), qsizetype(AText.size()));
}

// One entry of the workbook's zip container; empty when it is missing.
QByteArray ZipEntry(const QByteArray& ABytes, std::string_view AName) {
    try {
        orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(ABytes.constData()),
                                              std::size_t(ABytes.size()));
        orcus::zip_archive archive(&stream);
        archive.load();
        std::vector<unsigned char> buf;
        if (!archive.read_file_entry(AName, buf))
            return {};
        return QByteArray(reinterpret_cast<const char*>(buf.data()), qsizetype(buf.size()));
    } catch (...) {
        return {};
    }
}

QString FormulaText(const ixion::formula_cell* ACell) {
    if (!ACell)
        return QString();
    try {
        const ixion::formula_result r =
            ACell->get_result_cache(ixion::formula_result_wait_policy_t::throw_exception);
        switch (r.get_type()) {
        case ixion::formula_result::result_type::value:
            return CellText::Number(r.get_value());
        case ixion::formula_result::result_type::string:
            return QString::fromStdString(r.get_string());
        case ixion::formula_result::result_type::error:
            return FromUtf8(ixion::get_formula_error_name(r.get_error()));
        default:
            return QString();
        }
    } catch (...) {
        // A formula without a result (never calculated and not computable here)
        // reads as an empty cell.
        return QString();
    }
}

TSheetValues SheetValues(const ss::document& ADoc, ss::sheet_t ASheet, const QString& AFileName) {
    const ixion::model_context& cxt = ADoc.get_model_context();
    const ixion::abs_range_t data = cxt.get_data_range(ASheet);
    TUsedRange used;
    if (!data.valid())
        return used.Values(AFileName);
    const ixion::abs_rc_range_t range(data);
    ixion::model_iterator it =
        cxt.get_model_iterator(ASheet, ixion::rc_direction_t::horizontal, range);
    for (; it.has(); it.next()) {
        const ixion::model_iterator::cell& c = it.get();
        QString text;
        switch (c.type) {
        case ixion::celltype_t::string: {
            const std::string* s = cxt.get_string(std::get<ixion::string_id_t>(c.value));
            text = s ? QString::fromStdString(*s) : QString();
            break;
        }
        case ixion::celltype_t::numeric:
            text = CellText::Number(std::get<double>(c.value));
            break;
        case ixion::celltype_t::boolean:
            text = CellText::Boolean(std::get<bool>(c.value));
            break;
        case ixion::celltype_t::formula:
            text = FormulaText(std::get<const ixion::formula_cell*>(c.value));
            break;
        default:
            continue; // empty
        }
        used.Add(c.row, c.col, text);
    }
    return used.Values(AFileName);
}

} // namespace

int TOrcusWorkbook::XlsxActiveTab(const QByteArray& ABytes) {
    QXmlStreamReader xml(ZipEntry(ABytes, "xl/workbook.xml"));
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("workbookView")) {
            bool ok = false;
            const int tab = xml.attributes().value(QLatin1String("activeTab")).toInt(&ok);
            return ok ? tab : 0;
        }
    }
    return -1;
}

QString TOrcusWorkbook::OdsActiveTable(const QByteArray& ABytes) {
    QXmlStreamReader xml(ZipEntry(ABytes, "settings.xml"));
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("config-item") &&
            xml.attributes().value(QLatin1String("config:name")) == QLatin1String("ActiveTable"))
            return xml.readElementText();
    }
    return QString();
}

TSheetValues TOrcusWorkbook::ReadActiveSheet(const QByteArray& ABytes, TFormat AFormat,
                                             const QString& AFileName) {
    try {
        ss::document doc(ss::range_size_t{1048576, 16384});
        ss::view view(doc);
        ss::import_factory factory(doc, view);
        factory.set_recalc_formula_cells(true);
        factory.set_formula_error_policy(ss::formula_error_policy_t::skip);
        const std::string_view stream(ABytes.constData(), std::size_t(ABytes.size()));
        ss::sheet_t active = 0;
        if (AFormat == TFormat::Xlsx) {
            orcus::orcus_xlsx app(&factory);
            app.read_stream(stream);
            active = XlsxActiveTab(ABytes);
        } else {
            orcus::orcus_ods app(&factory);
            app.read_stream(stream);
            const QString name = OdsActiveTable(ABytes);
            const QByteArray utf8 = name.toUtf8();
            active = name.isEmpty()
                         ? 0
                         : doc.get_sheet_index(std::string_view(utf8.constData(), utf8.size()));
        }
        const ss::sheet_t count = ss::sheet_t(doc.get_sheet_count());
        if (count == 0)
            throw WorkbookError::Make(AFileName, QStringLiteral("в книге нет ни одного листа"));
        if (active < 0 || active >= count)
            active = 0;
        return SheetValues(doc, active, AFileName);
    } catch (const EGravelonError&) {
        throw;
    } catch (const std::exception& e) {
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged + QStringLiteral(" (") +
                                                 QString::fromUtf8(e.what()) + QStringLiteral(")"));
    } catch (...) {
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    }
}
