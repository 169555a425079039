#include "WorkbookReader.h"

#include "OrcusWorkbook.h"
#include "WorkbookError.h"
#include "XlsWorkbook.h"

#include <QFile>
#include <QFileInfo>

#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

namespace {

const QByteArray OleMagic = QByteArray::fromHex("d0cf11e0a1b11ae1");
const QByteArray ZipMagic = QByteArrayLiteral("PK\x03\x04");

bool Detect(bool (*ADetect)(const unsigned char*, size_t), const QByteArray& ABytes) {
    try {
        return ADetect(reinterpret_cast<const unsigned char*>(ABytes.constData()),
                       size_t(ABytes.size()));
    } catch (...) {
        return false;
    }
}

bool ZipReadable(const QByteArray& ABytes) {
    try {
        orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(ABytes.constData()),
                                              std::size_t(ABytes.size()));
        orcus::zip_archive archive(&stream);
        archive.load();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

TSheetValues TWorkbookReader::ReadActiveSheet(const QString& AFileName) {
    const QFileInfo info(AFileName);
    if (!info.exists())
        throw WorkbookError::Make(AFileName, WorkbookError::NotFound);
    if (info.isDir())
        throw WorkbookError::Make(AFileName, QStringLiteral("это папка, а не файл"));
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError::Make(AFileName,
                                  QStringLiteral("файл не открывается: ") + file.errorString());
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.isEmpty())
        throw WorkbookError::Make(AFileName, QStringLiteral("файл пуст"));

    if (bytes.startsWith(OleMagic))
        return TXlsWorkbook::ReadActiveSheet(AFileName);
    if (bytes.startsWith(ZipMagic)) {
        if (Detect(&orcus::orcus_ods::detect, bytes))
            return TOrcusWorkbook::ReadActiveSheet(bytes, TOrcusWorkbook::TFormat::Ods, AFileName);
        if (Detect(&orcus::orcus_xlsx::detect, bytes))
            return TOrcusWorkbook::ReadActiveSheet(bytes, TOrcusWorkbook::TFormat::Xlsx, AFileName);
        // A zip that will not open is a damaged workbook; one that opens but is
        // neither format is some other document.
        throw WorkbookError::Make(AFileName, ZipReadable(bytes) ? WorkbookError::NotWorkbook
                                                                : WorkbookError::Damaged);
    }
    if (OleMagic.startsWith(bytes) || ZipMagic.startsWith(bytes))
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);
}
