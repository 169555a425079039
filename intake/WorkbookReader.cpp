#include "WorkbookReader.h"

#include "OdsWorkbook.h"
#include "ProcessFiles.h"
#include "WorkbookError.h"
#include "XlsWorkbook.h"
#include "XlsxWorkbook.h"
#include "ZipArchive.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray OleMagic = QByteArray::fromHex("d0cf11e0a1b11ae1");
const QByteArray ZipMagic = QByteArrayLiteral("PK\x03\x04");
const QByteArray OdsMime = QByteArrayLiteral("application/vnd.oasis.opendocument.spreadsheet");

} // namespace

TSheetValues TWorkbookReader::ReadActiveSheet(const QString& AFileName) {
    const QFileInfo info(AFileName);
    if (!info.exists())
        throw WorkbookError::Make(AFileName, WorkbookError::NotFound);
    if (info.isDir())
        throw WorkbookError::Make(AFileName, QStringLiteral("это папка, а не файл"));
    // Reading the program's own database and closing it again would drop the locks
    // SQLite holds on it.
    if (ProcessFiles::HasOpen(AFileName))
        throw WorkbookError::Make(AFileName, QStringLiteral("это файл базы данных программы, "
                                                            "открытый ею сейчас, а не заявка"));
    if (info.size() > MaxFileBytes)
        throw WorkbookError::Make(AFileName, QStringLiteral("файл больше %1 МБ; заявка не может "
                                                            "быть такой большой")
                                                 .arg(MaxFileBytes / (1024 * 1024)));
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError::Make(AFileName,
                                  QStringLiteral("файл не открывается: ") + file.errorString());
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    file.close();
    if (bytes.size() > MaxFileBytes)
        throw WorkbookError::Make(
            AFileName, QStringLiteral("файл больше %1 МБ").arg(MaxFileBytes / (1024 * 1024)));
    return ReadActiveSheet(bytes, AFileName);
}

TSheetValues TWorkbookReader::ReadActiveSheet(const QByteArray& ABytes, const QString& AFileName) {
    if (ABytes.isEmpty())
        throw WorkbookError::Make(AFileName, QStringLiteral("файл пуст"));
    if (ABytes.startsWith(OleMagic))
        return TXlsWorkbook::ReadActiveSheet(ABytes, AFileName);
    if (ABytes.startsWith(ZipMagic)) {
        // The package tells its kind: an OpenDocument file names its media type in
        // "mimetype", an Office Open XML package lists its parts' types.
        const TZipArchive zip(ABytes, AFileName);
        if (zip.ReadIfPresent(QStringLiteral("mimetype")).trimmed() == OdsMime ||
            (!zip.Contains(QStringLiteral("[Content_Types].xml")) &&
             zip.Contains(QStringLiteral("content.xml"))))
            return TOdsWorkbook::ReadActiveSheet(ABytes, AFileName);
        if (zip.Contains(QStringLiteral("[Content_Types].xml")))
            return TXlsxWorkbook::ReadActiveSheet(ABytes, AFileName);
        throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);
    }
    if (OleMagic.startsWith(ABytes) || ZipMagic.startsWith(ABytes))
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);
}
