#include "DataModule.h"
#include "ExportFixture.h"
#include "LayoutExport.h"
#include "TestDatabase.h"
#include "XlsxReadBack.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace ExportFixture;

namespace {

struct TRun {
    int Exit = -1;
    QString Out;
    QString Err;
};

// Everything in a folder, hidden files and FIFOs too.
QStringList Entries(const QString& AFolder) {
    return QDir(AFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}

TRun Cli(const QString& AIni, const QStringList& AArgs) {
    QProcess p;
    p.setProgram(QDir(ProgramFolder()).filePath(QStringLiteral("gravelon-cli")));
    p.setArguments(QStringList{QStringLiteral("--settings"), AIni, QStringLiteral("export")} +
                   AArgs);
    p.start();
    TRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.Exit = p.exitCode();
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestExportCli : public QObject {
    Q_OBJECT

private slots:
    void currentOrder_data() { TestDb::AddBackendRows(); }
    void currentOrder();
    void refused_data();
    void refused();
};

// Without --order the order of the working tables, without --pallet every pallet;
// --pallet writes that pallet alone, numbered as the pallet list numbers it; --order
// reaches an archived order too.
void TestExportCli::currentOrder() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;

    const QString all = out.filePath(QStringLiteral("все.xlsx"));
    TRun r = Cli(db.Db.IniPath, {all});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(r.Out, all + QLatin1Char('\n'));
    QCOMPARE(r.Err, QString());
    {
        const TXlsxReadBack book(all);
        QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
        QCOMPARE(book.Pictures(1).size(), 3);
        QCOMPARE(book.Text(3, 2), QStringLiteral("1"));
        QCOMPARE(book.Text(21, 2), QStringLiteral("2"));
        QCOMPARE(book.Text(38, 2), QStringLiteral("3"));
        QCOMPARE(book.Text(6, 2), Summary);
    }

    const QString one = out.filePath(QStringLiteral("один.xlsx"));
    r = Cli(db.Db.IniPath, {one, QStringLiteral("--pallet"), QString::number(order.P3)});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(r.Out, one + QLatin1Char('\n'));
    {
        const TXlsxReadBack book(one), whole(all);
        QCOMPARE(book.Pictures(1).size(), 1);
        QCOMPARE(book.Dump(1, 21), whole.Dump(36, 56));
    }

    db.Data->Archivation();
    const QString archived = out.filePath(QStringLiteral("архив.xlsx"));
    r = Cli(db.Db.IniPath, {QStringLiteral("--order"), QString::number(order.Id), archived,
                            QStringLiteral("--pallet"), QString::number(order.P2)});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    {
        const TXlsxReadBack book(archived), whole(all);
        QCOMPARE(book.Dump(1, 17), whole.Dump(19, 35));
    }
    // No order is current any more.
    r = Cli(db.Db.IniPath, {out.filePath(QStringLiteral("нет.xlsx"))});
    QVERIFY(r.Exit != 0);
    QVERIFY(!r.Err.isEmpty());
    QCOMPARE(r.Out, QString());
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("нет.xlsx"))));
}

// Orders and pallets that do not exist or do not belong together, and exports that
// fail, end with a message on standard error and a non-zero exit; nothing is written.
void TestExportCli::refused_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("what");
    const char* const cases[] = {
        "unknown order",       "order not a number", "unknown pallet", "pallet of another order",
        "pallet not a number", "folder missing",     "no file",
        "target is a FIFO",    "target is a device", "order without pallets", "disk full"};
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}})
        for (const char* what : cases)
            QTest::addRow("%s %s", name, what) << backend << QString::fromLatin1(what);
}

void TestExportCli::refused() {
    QFETCH(QString, what);
    // A full disk is a file system of a few kilobytes, which only root can mount.
    QTemporaryDir out;
    TSmallDisk disk;
    if (what == QLatin1String("disk full") && !disk.Mount(out.filePath(QStringLiteral("диск"))))
        QSKIP("no file system of a few kilobytes can be mounted here");
    GRAVELON_CONNECT(db);
    const TLayoutOrder first = MakeOrder(*db.Data, QStringLiteral("А-1"));
    db.Data->Archivation();
    const TLayoutOrder order = MakeOrder(*db.Data);
    QString file = out.filePath(QStringLiteral("r.xlsx"));
    QStringList args;
    if (what == QLatin1String("unknown order"))
        args = {QStringLiteral("--order"), QString::number(order.Id + 100)};
    else if (what == QLatin1String("order not a number"))
        args = {QStringLiteral("--order"), QStringLiteral("1x")};
    else if (what == QLatin1String("unknown pallet"))
        args = {QStringLiteral("--pallet"), QString::number(order.P1 + 100)};
    else if (what == QLatin1String("pallet of another order"))
        args = {QStringLiteral("--pallet"), QString::number(first.P1)};
    else if (what == QLatin1String("pallet not a number"))
        args = {QStringLiteral("--pallet"), QStringLiteral("один")};
    else if (what == QLatin1String("folder missing"))
        file = out.filePath(QStringLiteral("нет/r.xlsx"));
    else if (what == QLatin1String("target is a FIFO"))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0666), 0);
    else if (what == QLatin1String("target is a device") &&
             ::mknod(QFile::encodeName(file).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        QSKIP("no device node can be made here (that takes root)");
    else if (what == QLatin1String("order without pallets"))
        args = {QStringLiteral("--order"),
                QString::number(TestDb::AddOrder(*db.Data, QStringLiteral("П-0"),
                                                 QDate(2024, 5, 6), 1, {},
                                                 {{1000, 500, 1, 3, {}}}))};
    else if (what == QLatin1String("disk full"))
        file = QDir(disk.Path()).filePath(QStringLiteral("r.xlsx"));
    if (what != QLatin1String("no file"))
        args.prepend(file);
    const QStringList before = Entries(out.path());

    const TRun r = Cli(db.Db.IniPath, args);
    QVERIFY2(r.Exit > 0, qPrintable(QString::number(r.Exit)));
    QVERIFY(!r.Err.trimmed().isEmpty());
    QCOMPARE(r.Out, QString());
    // A Russian sentence first, never a library's own diagnostics.
    QVERIFY2(!r.Err.contains(QLatin1String("[ERROR]")), qPrintable(r.Err));
    const QHash<QString, QString> causes = {
        {QStringLiteral("folder missing"), QStringLiteral("не существует")},
        {QStringLiteral("target is a FIFO"), QStringLiteral("не является обычным файлом")},
        {QStringLiteral("target is a device"), QStringLiteral("не является обычным файлом")},
        {QStringLiteral("disk full"), QStringLiteral("на диске нет места")}};
    if (causes.contains(what)) {
        QVERIFY2(r.Err.startsWith(TLayoutExport::FailureMessage + QLatin1Char('\n')),
                 qPrintable(r.Err));
        QVERIFY2(r.Err.contains(causes.value(what)), qPrintable(r.Err));
    }
    if (what == QLatin1String("order without pallets"))
        QVERIFY2(r.Err.contains(QStringLiteral("нет поддонов")), qPrintable(r.Err));
    QCOMPARE(Entries(out.path()), before);
    if (what == QLatin1String("disk full"))
        QCOMPARE(Entries(disk.Path()), QStringList());
    if (what.startsWith(QLatin1String("target is a "))) {
        // Still what it was, with its own mode.
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(file).constData(), &st), 0);
        QVERIFY(what.endsWith(QLatin1String("FIFO")) ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode));
    }
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
