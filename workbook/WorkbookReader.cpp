#include "WorkbookReader.h"

#include "OdsWorkbook.h"
#include "ProcessFiles.h"
#include "WorkbookError.h"
#include "XlsWorkbook.h"
#include "XlsxWorkbook.h"
#include "ZipArchive.h"

#include "FileProblem.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray OleMagic = QByteArray::fromHex("d0cf11e0a1b11ae1");
const QByteArray ZipMagic = QByteArrayLiteral("PK\x03\x04");
const QByteArray OdsMime = QByteArrayLiteral("application/vnd.oasis.opendocument.spreadsheet");

const QString NotRegular = QStringLiteral("это не обычный файл (устройство, канал или сокет); "
                                          "выберите файл книги");

QString OpenProblem(int AError) {
    if (AError == EACCES || AError == EPERM)
        return QStringLiteral("файл не открывается: нет прав на его чтение; попросите владельца "
                              "файла или администратора дать права или скопируйте файл к себе");
    return QStringLiteral("файл не открывается: ") + FileProblem::Reason(AError);
}

} // namespace

TSheetValues TWorkbookReader::ReadActiveSheet(const QString& AFileName) {
    return ReadActiveSheet(ReadFile(AFileName), AFileName);
}

TSheetValues TWorkbookReader::ReadActiveSheet(const QByteArray& ABytes, const QString& AFileName) {
    const TWorkbookSheets sheets = Sheets(ABytes, AFileName);
    return sheets.Read(qMax(0, sheets.Active));
}

TWorkbookSheets TWorkbookReader::Sheets(const QString& AFileName) {
    return Sheets(ReadFile(AFileName), AFileName);
}

QByteArray TWorkbookReader::ReadFile(const QString& AFileName) {
    const QByteArray path = QFile::encodeName(AFileName);
    const QString tooLarge = QStringLiteral("файл больше %1 МБ; заявка не может быть такой большой")
                                 .arg(MaxFileBytes / (1024 * 1024));
    // A device or a FIFO is refused before it is opened: a FIFO would wait for a
    // writer for ever, /dev/zero never end.
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT)
            throw WorkbookError::Make(AFileName, WorkbookError::NotFound);
        throw WorkbookError::Make(AFileName, OpenProblem(error));
    }
    if (S_ISDIR(st.st_mode))
        throw WorkbookError::Make(AFileName, QStringLiteral("это папка, а не файл"));
    if (!S_ISREG(st.st_mode))
        throw WorkbookError::Make(AFileName, NotRegular);
    // Reading the program's own database and closing it again would drop the locks
    // SQLite holds on it.
    if (ProcessFiles::HasOpen(AFileName))
        throw WorkbookError::Make(AFileName, QStringLiteral("это файл базы данных программы, "
                                                            "открытый ею сейчас, а не заявка"));
    if (st.st_size > MaxFileBytes)
        throw WorkbookError::Make(AFileName, tooLarge);
    // Non-blocking, so that a FIFO put in the file's place meanwhile does not wait either;
    // the descriptor is then checked to be what was looked at.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw WorkbookError::Make(AFileName, OpenProblem(errno));
    struct TClose {
        int Fd;
        ~TClose() { ::close(Fd); }
    } closeFd{fd};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw WorkbookError::Make(AFileName, NotRegular);
    // Read to one byte past the limit at most, whatever the file grows to meanwhile.
    QByteArray bytes(qsizetype(qMin<qint64>(st.st_size, MaxFileBytes) + 1), Qt::Uninitialized);
    qint64 got = 0;
    while (got < MaxFileBytes + 1) {
        if (got == bytes.size())
            bytes.resize(qsizetype(qMin<qint64>(got * 2 + 4096, MaxFileBytes + 1)));
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw WorkbookError::Make(AFileName, QStringLiteral("файл не читается: ") +
                                                     FileProblem::Reason(errno));
        if (n == 0)
            break;
        got += n;
    }
    if (got > MaxFileBytes)
        throw WorkbookError::Make(AFileName, tooLarge);
    bytes.truncate(qsizetype(got));
    return bytes;
}

TWorkbookSheets TWorkbookReader::Sheets(const QByteArray& ABytes, const QString& AFileName) {
    TWorkbookSheets sheets = Format(ABytes, AFileName);
    // Every reader names what it read the same way.
    sheets.Read = [read = sheets.Read, names = sheets.Names](int AIndex) {
        TSheetValues values = read(AIndex);
        values.SetSheetName(names.value(AIndex));
        return values;
    };
    return sheets;
}

TWorkbookSheets TWorkbookReader::Format(const QByteArray& ABytes, const QString& AFileName) {
    if (ABytes.isEmpty())
        throw WorkbookError::Make(AFileName, QStringLiteral("файл пуст"));
    if (ABytes.startsWith(OleMagic))
        return TXlsWorkbook::Sheets(ABytes, AFileName);
    if (ABytes.startsWith(ZipMagic)) {
        // The package tells its kind: an OpenDocument file names its media type in
        // "mimetype", an Office Open XML package lists its parts' types.
        const TZipArchive zip(ABytes, AFileName);
        // Only its beginning: the media type is one short line, whatever the part claims.
        TZipPart mimetype(zip, QStringLiteral("mimetype"), false);
        if (mimetype.read(OdsMime.size() + 64).trimmed() == OdsMime ||
            (!zip.Contains(QStringLiteral("[Content_Types].xml")) &&
             zip.Contains(QStringLiteral("content.xml"))))
            return TOdsWorkbook::Sheets(ABytes, AFileName);
        if (zip.Contains(QStringLiteral("[Content_Types].xml")))
            return TXlsxWorkbook::Sheets(ABytes, AFileName);
        throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);
    }
    if (OleMagic.startsWith(ABytes) || ZipMagic.startsWith(ABytes))
        throw WorkbookError::Make(AFileName, WorkbookError::Damaged);
    throw WorkbookError::Make(AFileName, WorkbookError::NotWorkbook);
}
