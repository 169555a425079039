// gravelon-cli export-pdf, run as a program on both databases: every pallet of the
// current order, one pallet, an archived order, and the refusals; without a display.
#include "DataModule.h"
#include "ExportFixture.h"
#include "PdfText.h"
#include "TestDatabase.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

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
    p.setArguments(QStringList{QStringLiteral("--settings"), AIni, QStringLiteral("export-pdf")} +
                   AArgs);
    // As in a terminal without a display: the tool must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(env);
    p.start();
    TRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.Exit = p.exitCode();
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList Pages(const QString& AFile) {
    QStringList pages;
    for (const QString& p : PdfText::Pages(AFile))
        pages << PdfText::Simplified(p);
    return pages;
}

} // namespace

class TstPdfCli : public QObject {
    Q_OBJECT
private slots:
    void written_data() { TestDb::AddBackendRows(); }
    void written();
    void refused_data() { TestDb::AddBackendRows(); }
    void refused();
};

void TstPdfCli::written() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;

    const QString all = out.filePath(QStringLiteral("все.pdf"));
    TRun r = Cli(db.Db.IniPath, {all});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(r.Out, all + QLatin1Char('\n'));
    QCOMPARE(r.Err, QString());
    QStringList pages = Pages(all);
    QCOMPARE(pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(pages[i].contains(QStringLiteral("Служебная записка № ") + OrderNumber));
        QVERIFY(pages[i].contains(QStringLiteral("Под.№ %1 ").arg(i + 1)));
        QVERIFY(pages[i].contains(QStringLiteral("Общий заказ: ") + Summary));
    }

    const QString one = out.filePath(QStringLiteral("один.pdf"));
    r = Cli(db.Db.IniPath, {one, QStringLiteral("--pallet"), QString::number(order.P3)});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    pages = Pages(one);
    QCOMPARE(pages.size(), 1);
    // The pallet under the number the pallet list gives it, its page as in the whole.
    QCOMPARE(pages[0], Pages(all)[2]);

    db.Data->Archivation();
    const QString archived = out.filePath(QStringLiteral("архив.pdf"));
    r = Cli(db.Db.IniPath, {QStringLiteral("--order"), QString::number(order.Id), archived,
                            QStringLiteral("--pallet"), QString::number(order.P2)});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(Pages(archived), QStringList{Pages(all)[1]});
}

void TstPdfCli::refused() {
    QTemporaryDir out;
    TSmallDisk disk;
    const bool small = disk.Mount(out.filePath(QStringLiteral("диск")));
    GRAVELON_CONNECT(db);
    const qlonglong bare = TestDb::AddOrder(*db.Data, QStringLiteral("П-0"), QDate(2024, 5, 6), 1,
                                            {}, {{1000, 500, 1, 3, {}}});
    db.Data->Archivation();
    const TLayoutOrder order = MakeOrder(*db.Data);
    const QString fifo = out.filePath(QStringLiteral("канал.pdf"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    const struct {
        QStringList Args;
        QString Err;
        int Exit;
    } cases[] = {
        {{out.filePath(QStringLiteral("a.pdf")), QStringLiteral("--pallet"),
          QString::number(order.P1 + 100)},
         QStringLiteral("Не удалось сохранить PDF: Поддон %1 не найден в заявке %2\n")
             .arg(order.P1 + 100)
             .arg(order.Id),
         1},
        {{out.filePath(QStringLiteral("a.pdf")), QStringLiteral("--order"), QStringLiteral("x")},
         QStringLiteral("Не удалось сохранить PDF: Номер заявки «x» не является целым числом\n"),
         1},
        {{out.filePath(QStringLiteral("нет/a.pdf"))},
         QStringLiteral("Не удалось сохранить PDF: "),
         1},
        {{}, QStringLiteral("Не указан файл\n"), 2},
        // Never a regular file in a FIFO's (or a device's) place.
        {{fifo, QStringLiteral("--order"), QString::number(order.Id)},
         QStringLiteral("Не удалось сохранить PDF: Не удалось создать файл %1: %1 не является "
                        "обычным файлом")
             .arg(fifo),
         1},
        // No empty document for an order not calculated yet.
        {{out.filePath(QStringLiteral("b.pdf")), QStringLiteral("--order"), QString::number(bare)},
         QStringLiteral("Не удалось сохранить PDF: У заявки %1 нет поддонов").arg(bare),
         1},
    };
    for (const auto& c : cases) {
        const TRun r = Cli(db.Db.IniPath, c.Args);
        QCOMPARE(r.Exit, c.Exit);
        QVERIFY2(r.Err.startsWith(c.Err), qPrintable(r.Err));
        QCOMPARE(r.Out, QString());
    }
    if (small) {
        const TRun r = Cli(db.Db.IniPath, {QDir(disk.Path()).filePath(QStringLiteral("a.pdf")),
                                           QStringLiteral("--order"), QString::number(order.Id)});
        QCOMPARE(r.Exit, 1);
        QVERIFY2(r.Err.startsWith(QStringLiteral("Не удалось сохранить PDF: ")), qPrintable(r.Err));
        QVERIFY2(r.Err.contains(QStringLiteral("на диске нет места")), qPrintable(r.Err));
        QVERIFY(QDir(disk.Path()).isEmpty());
    }
    QFileInfo info(fifo);
    QVERIFY(!info.isFile() && info.exists());
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                        QDir::NoDotAndDotDot),
             small ? QStringList({QStringLiteral("диск"), QStringLiteral("канал.pdf")})
                   : QStringList({QStringLiteral("канал.pdf")}));
}

QTEST_GUILESS_MAIN(TstPdfCli)
#include "tst_pdfcli.moc"
