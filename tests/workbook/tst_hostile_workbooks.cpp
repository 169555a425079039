// Hostile workbooks and the inputs the reader fuzz targets found (tests/workbook/fuzz/):
// each reads to values or fails with the reader's Russian message naming the file,
// as README.txt there says for it, and within the bounds the readers set, so a
// crafted file never crashes the program or exhausts the machine.

#include "Errors.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QtTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QDir FuzzDir() {
    return QDir(QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
                    .absoluteFilePath(QStringLiteral("tests/workbook/fuzz")));
}

// README.txt: a file's name, a tab, and what its message must contain ("-": it must
// read, "*": values or any clean message).
QHash<QString, QString> Expectations() {
    QHash<QString, QString> out;
    QFile list(FuzzDir().absoluteFilePath(QStringLiteral("README.txt")));
    if (!list.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (line.startsWith('#'))
            continue;
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() >= 2)
            out.insert(QString::fromUtf8(parts.at(0)), QString::fromUtf8(parts.at(1)).trimmed());
    }
    return out;
}

} // namespace

class TestHostileWorkbooks : public QObject {
    Q_OBJECT
private slots:
    void readsCleanly_data();
    void readsCleanly();
    void memoryBounded_data();
    void memoryBounded();
};

void TestHostileWorkbooks::readsCleanly_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    const QHash<QString, QString> expected = Expectations();
    const QStringList files = FuzzDir().entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() > 10);
    for (const QString& f : files) {
        if (f == QLatin1String("README.txt"))
            continue;
        // A file dropped in without its line would check nothing particular.
        QVERIFY2(expected.contains(f), qPrintable(f + QStringLiteral(" is not in README.txt")));
        QTest::newRow(qPrintable(f)) << FuzzDir().absoluteFilePath(f) << expected.value(f);
    }
}

void TestHostileWorkbooks::readsCleanly() {
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QString message;
    try {
        const TSheetValues v = TWorkbookReader::ReadActiveSheet(file);
        // The range holds what it claims.
        QVERIFY(v.RowCount() >= 1 && v.ColCount() >= 1);
        QVERIFY(qint64(v.RowCount()) * v.ColCount() <= 5'000'000);
    } catch (const EGravelonError& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        QFAIL(qPrintable(QStringLiteral("an exception of another kind: ") + e.what()));
    }
    if (expected == QLatin1String("-")) {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        return;
    }
    if (message.isEmpty()) {
        QVERIFY2(expected == QLatin1String("*"), "read, where a message was expected");
        return;
    }
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось прочитать файл «") +
                                QDir::toNativeSeparators(file) + QStringLiteral("»: ")),
             qPrintable(message));
    if (expected != QLatin1String("*"))
        QVERIFY2(message.contains(expected), qPrintable(message));
}

// Parts that inflate to a hundred megabytes and more are read as they inflate: the
// reader's memory stays far below what the part would take whole. Measured as the peak
// resident size of a child process that reads the file, above what it started with.
void TestHostileWorkbooks::memoryBounded_data() {
    QTest::addColumn<QString>("file");
    for (const char* name : {"whitespace-between-rows.xlsx", "inflates-past-bound.xlsx"})
        QTest::newRow(name) << FuzzDir().absoluteFilePath(QLatin1String(name));
}

void TestHostileWorkbooks::memoryBounded() {
    QFETCH(QString, file);
    constexpr long BoundKilobytes = 64 * 1024;
    // The child measures itself: its peak against what it held when it began, which
    // is the test process's size at the fork.
    int pipeFds[2] = {-1, -1};
    QCOMPARE(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        long startKilobytes = 0;
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (statm.open(QIODevice::ReadOnly))
            startKilobytes = statm.readAll().split(' ').value(1).toLong() *
                             (::sysconf(_SC_PAGESIZE) / 1024);
        try {
            TWorkbookReader::ReadActiveSheet(file);
        } catch (...) {
        }
        rusage used {};
        ::getrusage(RUSAGE_SELF, &used);
        const long grown = used.ru_maxrss - startKilobytes;
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &grown, sizeof grown);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    long grown = -1;
    const ssize_t got = ::read(pipeFds[0], &grown, sizeof grown);
    ::close(pipeFds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(got, ssize_t(sizeof grown));
    qInfo() << "peak above the start:" << grown / 1024 << "MB";
    QVERIFY2(grown >= 0 && grown < BoundKilobytes, qPrintable(QStringLiteral("%1 MB").arg(grown / 1024)));
}

QTEST_GUILESS_MAIN(TestHostileWorkbooks)
#include "tst_hostile_workbooks.moc"
