// A libFuzzer target for one workbook reader: any input must give values or the
// reader's Russian error, within the bounds the readers set; a crash, a sanitizer
// report, an exception of another kind, a hang or a leak is a finding.

#include "Errors.h"
#include "OdsWorkbook.h"
#include "XlsWorkbook.h"
#include "XlsxWorkbook.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const QByteArray bytes(reinterpret_cast<const char*>(AData), qsizetype(ASize));
    const QString name = QStringLiteral("заявка");
    try {
#if defined(GRAVELON_FUZZ_XLSX)
        const TSheetValues v = TXlsxWorkbook::ReadActiveSheet(bytes, name);
#elif defined(GRAVELON_FUZZ_ODS)
        const TSheetValues v = TOdsWorkbook::ReadActiveSheet(bytes, name);
#else
        const TSheetValues v = TXlsWorkbook::ReadActiveSheet(bytes, name);
#endif
        // Touch every cell, so a range that claims more than it holds is caught.
        qsizetype total = 0;
        for (int r = 1; r <= v.RowCount(); ++r)
            for (int c = 1; c <= v.ColCount(); ++c)
                total += v.Cell(r, c).size();
        (void)total;
    } catch (const EGravelonError& e) {
        if (!e.Message().startsWith(QStringLiteral("Не удалось прочитать файл")))
            std::abort();
    }
    return 0;
}
