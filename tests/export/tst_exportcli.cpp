#include "DataModule.h"
#include "ExportFixture.h"
#include "LayoutExport.h"
#include "TestDatabase.h"
#include "XlsxReadBack.h"

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
        QCOMPARE(book.Pictures().size(), 3);
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
        QCOMPARE(book.Pictures().size(), 1);
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
        "pallet not a number", "folder missing",     "no file"};
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}})
        for (const char* what : cases)
            QTest::addRow("%s %s", name, what) << backend << QString::fromLatin1(what);
}

void TestExportCli::refused() {
    GRAVELON_CONNECT(db);
    QFETCH(QString, what);
    const TLayoutOrder first = MakeOrder(*db.Data, QStringLiteral("А-1"));
    db.Data->Archivation();
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;
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
    if (what != QLatin1String("no file"))
        args.prepend(file);

    const TRun r = Cli(db.Db.IniPath, args);
    QVERIFY2(r.Exit > 0, qPrintable(QString::number(r.Exit)));
    QVERIFY(!r.Err.trimmed().isEmpty());
    QCOMPARE(r.Out, QString());
    if (what == QLatin1String("folder missing"))
        QCOMPARE(r.Err, TLayoutExport::FailureMessage + QLatin1Char('\n'));
    QVERIFY(QDir(out.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
