// Reading workbooks: the same content gives the same used range from .xlsx, .ods and
// .xls; the active sheet is the saved one even when it is not the first; a file that
// cannot be read gives a Russian message naming it and never brings the program down.

#include "CellText.h"
#include "Errors.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QString DataFile(const QString& AName) {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
        .absoluteFilePath(QStringLiteral("tests/intake/data/") + AName);
}

QByteArray ReadAll(const QString& APath) {
    QFile f(APath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteAll(const QString& APath, const QByteArray& ABytes) {
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(ABytes), ABytes.size());
}

QString Rows(const TSheetValues& AValues) {
    QStringList lines;
    for (int r = 1; r <= AValues.RowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= AValues.ColCount(); ++c)
            cells << AValues.Cell(r, c);
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

// Message of the failure reading APath, or an empty text when it read.
QString Failure(const QString& APath) {
    try {
        TWorkbookReader::ReadActiveSheet(APath);
    } catch (const EGravelonError& e) {
        return e.Message();
    } catch (...) {
        return QStringLiteral("<исключение не того вида>");
    }
    return QString();
}

// The same, read by a user the file does not let in: the superuser reads anything, so
// it reads as "nobody" in a child process then.
QString FailureAsAnotherUser(const QString& APath) {
    if (::geteuid() != 0)
        return Failure(APath);
    int fds[2] = {-1, -1};
    if (::pipe(fds) != 0)
        return QStringLiteral("<pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        QByteArray text = "<setuid>";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            text = Failure(APath).toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(fds[1], text.constData(), size_t(text.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, n);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(text);
}

} // namespace

class TestWorkbookReader : public QObject {
    Q_OBJECT
private slots:
    void numbersAsText_data();
    void numbersAsText();
    void activeSheetUsedRange_data();
    void activeSheetUsedRange();
    void firstSheetWhenNoneSaved_data();
    void firstSheetWhenNoneSaved();
    void unreadableFiles_data();
    void unreadableFiles();
    void everyDamagedPrefixFails_data();
    void everyDamagedPrefixFails();
};

void TestWorkbookReader::numbersAsText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1200.0 << "1200";
    QTest::newRow("negative whole") << -5.0 << "-5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("fraction uses comma") << 12.5 << "12,5";
    QTest::newRow("shortest form") << 0.1 << "0,1";
    QTest::newRow("float noise kept short") << 10.5 << "10,5";
}

void TestWorkbookReader::numbersAsText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(CellText::Number(value), text);
}

void TestWorkbookReader::activeSheetUsedRange_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("spaces");
    QTest::newRow("xlsx") << "sample.xlsx"
                          << "  | ||||   ";
    // An OpenDocument cell keeps its leading and repeated spaces as text:s elements.
    QTest::newRow("ods") << "sample.ods"
                         << "  | ||||   ";
    QTest::newRow("xls") << "sample.xls"
                         << "  | ||||   ";
}

void TestWorkbookReader::activeSheetUsedRange() {
    QFETCH(QString, file);
    QFETCH(QString, spaces);
    // The middle sheet of three was active when saved; its cells begin at C3.
    const TSheetValues v = TWorkbookReader::ReadActiveSheet(DataFile(file));
    QCOMPARE(v.RowCount(), 7);
    QCOMPARE(v.ColCount(), 6);
    const QString expected =
        QStringLiteral("Количество|Цвет|Ширина, мм|Длина, мм|Толщина листа|Комментарий к позиции\n"
                       "10|RAL 9003|1200|600|8|первая\n"
                       "5|ral 9010|1200|1200|8|квадрат\n"
                       "|||||\n") +
        spaces +
        QStringLiteral("\n150|RAL 7016|1500|3600|8|\n"
                       "1|RAL 050 50 20|190|2500|8|12,5");
    QCOMPARE(Rows(v), expected);
    // Every worksheet is listed by its tab's name, so another can be read when asked.
    const TWorkbookSheets sheets = TWorkbookReader::Sheets(DataFile(file));
    QCOMPARE(sheets.Names, QStringList({"Памятка", "Заявка", "Старая заявка"}));
    QCOMPARE(sheets.Active, 1);
    QCOMPARE(v.SheetName(), QStringLiteral("Заявка"));
    QCOMPARE(sheets.Read(2).SheetName(), QStringLiteral("Старая заявка"));
    QVERIFY(Rows(sheets.Read(2)) != expected);
}

void TestWorkbookReader::firstSheetWhenNoneSaved_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    // Without settings.xml an OpenDocument workbook names no active sheet.
    QTest::newRow("ods") << "sample.ods" << QByteArray("settings.xml")
                         << QByteArray("settingz.xml");
    // Without a WINDOW1 record (here turned into an unknown record type) neither
    // does a BIFF workbook.
    QTest::newRow("xls") << "sample.xls" << QByteArray::fromHex("3d001200")
                         << QByteArray::fromHex("ef001200");
}

void TestWorkbookReader::firstSheetWhenNoneSaved() {
    QFETCH(QString, file);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QByteArray bytes = ReadAll(DataFile(file));
    QVERIFY(bytes.contains(from));
    bytes.replace(from, to);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    WriteAll(path, bytes);
    const TSheetValues v = TWorkbookReader::ReadActiveSheet(path);
    QCOMPARE(Rows(v), QStringLiteral("Как заполнять заявку|\n|Цвет по каталогу RAL\nТолщина|8"));
    QCOMPARE(TWorkbookReader::Sheets(path).Active, -1);
}

void TestWorkbookReader::unreadableFiles_data() {
    QTest::addColumn<QString>("source"); // a good workbook to spoil, or empty
    QTest::addColumn<QString>("spoil");  // how
    QTest::addColumn<QString>("reason"); // part of the message
    const QString damaged = QStringLiteral("повреждён");
    for (const char* ext : {"xlsx", "ods", "xls"}) {
        const QString src = QStringLiteral("sample.") + QLatin1String(ext);
        QTest::addRow("%s truncated to half", ext) << src << "half" << damaged;
        QTest::addRow("%s truncated to 600 bytes", ext) << src << "600" << damaged;
        QTest::addRow("%s body overwritten", ext) << src << "scramble" << damaged;
    }
    // A FILEPASS record among the workbook globals: the rest of the file is encrypted.
    QTest::newRow("xls with a password") << "sample.xls"
                                         << "filepass"
                                         << "паролем";
    // An .xlsx saved with a password is a compound document holding EncryptedPackage.
    QTest::newRow("xlsx with a password") << "sample.xls"
                                          << "encrypted"
                                          << "паролем";
    QTest::newRow("missing") << ""
                             << "missing"
                             << "не найден";
    QTest::newRow("empty file") << ""
                                << "empty"
                                << "пуст";
    QTest::newRow("text file") << ""
                               << "text"
                               << "не является книгой";
    QTest::newRow("zip but not a workbook") << ""
                                            << "zip"
                                            << "не является книгой";
    QTest::newRow("folder") << ""
                            << "folder"
                            << "папка";
    // Refused before they are read: a FIFO would wait for a writer, a device never end.
    const QString notRegular = QStringLiteral("это не обычный файл");
    QTest::newRow("FIFO") << "" << "fifo" << notRegular;
    QTest::newRow("no permission to read") << "sample.xlsx"
                                           << "no permission"
                                           << "нет прав на его чтение";
    QTest::newRow("endless device") << "" << "/dev/zero" << notRegular;
}

void TestWorkbookReader::unreadableFiles() {
    QFETCH(QString, source);
    QFETCH(QString, spoil);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ext = source.isEmpty() ? QStringLiteral("xlsx") : QFileInfo(source).suffix();
    const QString path = dir.filePath(QStringLiteral("заявка.") + ext);
    QByteArray bytes = source.isEmpty() ? QByteArray() : ReadAll(DataFile(source));
    if (!source.isEmpty())
        QVERIFY(bytes.size() > 1000);
    if (spoil == QLatin1String("half")) {
        WriteAll(path, bytes.left(bytes.size() / 2));
    } else if (spoil == QLatin1String("600")) {
        WriteAll(path, bytes.left(600));
    } else if (spoil == QLatin1String("scramble")) {
        // Keep the signature so the format is recognised, ruin everything after it.
        for (qsizetype i = 64; i < bytes.size(); ++i)
            bytes[i] = char((i * 131 + 7) & 0xff);
        WriteAll(path, bytes);
    } else if (spoil == QLatin1String("filepass")) {
        // The WINDOW1 record (0x003D, 18 bytes) becomes a FILEPASS record (0x002F).
        const qsizetype at = bytes.indexOf(QByteArray::fromHex("3d001200"));
        QVERIFY(at > 0);
        bytes[at] = char(0x2f);
        WriteAll(path, bytes);
    } else if (spoil == QLatin1String("encrypted")) {
        // Rename the Workbook stream's directory entry to EncryptedPackage.
        const QByteArray name =
            QByteArray::fromRawData(reinterpret_cast<const char*>(u"Workbook"), 16);
        const qsizetype at = bytes.indexOf(name);
        QVERIFY(at > 0);
        const QString encrypted = QStringLiteral("EncryptedPackage");
        for (int i = 0; i < encrypted.size(); ++i) {
            bytes[at + 2 * i] = char(encrypted.at(i).unicode());
            bytes[at + 2 * i + 1] = 0;
        }
        bytes[at + 32] = bytes[at + 33] = 0;
        bytes[at + 64] = char(34);
        bytes[at + 65] = 0;
        WriteAll(path, bytes);
    } else if (spoil == QLatin1String("empty")) {
        WriteAll(path, QByteArray());
    } else if (spoil == QLatin1String("text")) {
        WriteAll(path, QByteArrayLiteral("Цвет;Длина;Ширина\nRAL 9003;1200;600\n"));
    } else if (spoil == QLatin1String("zip")) {
        // A zip of the sample's parts under other names: opens, but is no workbook.
        QByteArray z = ReadAll(DataFile(QStringLiteral("sample.ods")));
        z.replace("content.xml", "kontent.xml").replace("mimetype", "typemime");
        WriteAll(path, z);
    } else if (spoil == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QFileInfo(path).fileName()));
    }
    std::thread writer;
    if (spoil == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // A writer that gives a reader a few bytes, so that a reader that opens the FIFO
        // ends instead of waiting; the test opens it itself at the end otherwise.
        writer = std::thread([path] {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
            if (fd >= 0) {
                [[maybe_unused]] const ssize_t n = ::write(fd, "PK\3\4", 4);
                ::close(fd);
            }
        });
    }
    const QString shown = spoil.startsWith(QLatin1Char('/')) ? spoil : path;
    QString message;
    if (spoil == QLatin1String("no permission")) {
        WriteAll(path, bytes);
        QVERIFY(QFile::setPermissions(path, {}));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ExeOther));
        message = FailureAsAnotherUser(path);
    } else {
        message = Failure(shown);
    }
    if (writer.joinable()) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        writer.join();
        ::close(fd);
    }
    QVERIFY2(message.contains(QDir::toNativeSeparators(shown)), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось прочитать файл")), qPrintable(message));
}

void TestWorkbookReader::everyDamagedPrefixFails_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx") << "sample.xlsx";
    QTest::newRow("ods") << "sample.ods";
    QTest::newRow("xls") << "sample.xls";
}

// Every truncation of a workbook either reads (a cut that keeps everything needed)
// or fails with the Russian message; none crashes or throws anything else.
void TestWorkbookReader::everyDamagedPrefixFails() {
    QFETCH(QString, file);
    const QByteArray bytes = ReadAll(DataFile(file));
    QVERIFY(!bytes.isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    int failed = 0;
    for (qsizetype len = 1; len < bytes.size(); len += 97) {
        WriteAll(path, bytes.left(len));
        const QString message = Failure(path);
        QVERIFY2(!message.startsWith(QLatin1Char('<')), qPrintable(message));
        if (!message.isEmpty())
            ++failed;
    }
    QVERIFY(failed > 0);
}

QTEST_GUILESS_MAIN(TestWorkbookReader)
#include "tst_workbook_reader.moc"
