// The program as `cmake --install` lays it out, run as a user who never ran it before:
// its settings and embedded database must appear in that user's XDG folders, and the
// installed command-line tool must import, calculate and export there.

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

TRun Run(const QString& AProgram, const QStringList& AArgs, const QProcessEnvironment& AEnv,
         const QString& AFolder) {
    QProcess p;
    p.setProcessEnvironment(AEnv);
    p.setWorkingDirectory(AFolder);
    p.start(AProgram, AArgs);
    TRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.Err = QStringLiteral("timed out: ") + AProgram;
        return r;
    }
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString Example(const QString& AName) {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
        .filePath(QStringLiteral("examples/") + AName);
}

qlonglong Count(const QString& ADatabase, const QString& ASql) {
    qlonglong n = -1;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(ADatabase);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(ASql) && q.next())
                n = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return n;
}

} // namespace

class TInstalledProgramTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void menuEntry();
    void icons();
    void informationWithoutSettings();
    void freshUser_data();
    void freshUser();
    void settingsOptionWins();
    void programForFreshUser_data();
    void programForFreshUser();

private:
    // A user who never ran the program: an empty home, XDG folders unset or set.
    QProcessEnvironment FreshUser(const QString& AHome, bool AXdg) const;
    QString Cli() const { return FPrefix + QStringLiteral("/bin/gravelon-cli"); }

    QTemporaryDir FRoot;
    QString FPrefix;
};

void TInstalledProgramTest::initTestCase() {
    QVERIFY(FRoot.isValid());
    FPrefix = FRoot.filePath(QStringLiteral("usr"));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(GRAVELON_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(GRAVELON_BINARY_DIR),
                   QStringLiteral("--prefix"), FPrefix});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void TInstalledProgramTest::layout_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    for (const char* bin : {"bin/gravelon", "bin/gravelon-cli"})
        QTest::newRow(bin) << QString::fromLatin1(bin) << true;
    for (const char* file :
         {"share/applications/gravelon.desktop", "share/metainfo/gravelon.metainfo.xml",
          "share/man/man1/gravelon.1.gz", "share/man/man1/gravelon-cli.1.gz",
          "share/gravelon/resources/example.ini", "share/gravelon/resources/gravelon_splash.png",
          "share/gravelon/resources/gravelon_banner.jpg",
          "share/gravelon/resources/gravelon_icon.png", "share/gravelon/resources/C.bmp",
          "share/gravelon/resources/C.png", "share/gravelon/resources/help/index.html",
          "share/gravelon/resources/help/img/main-window.png"})
        QTest::newRow(file) << QString::fromLatin1(file) << false;
}

void TInstalledProgramTest::layout() {
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(QDir(FPrefix).filePath(path));
    QVERIFY2(info.isFile(), qPrintable(info.filePath()));
    QVERIFY(info.size() > 0);
    QCOMPARE(info.isExecutable(), executable);
    // Nothing the operator cannot write is looked for beside the executables.
    QVERIFY(!QFileInfo::exists(QDir(FPrefix).filePath(QStringLiteral("bin/resources"))));
}

void TInstalledProgramTest::menuEntry() {
    QFile f(QDir(FPrefix).filePath(QStringLiteral("share/applications/gravelon.desktop")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QMap<QString, QString> entry;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            entry.insert(line.left(eq), line.mid(eq + 1));
    }
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Гравелон"));
    QVERIFY(entry.value(QStringLiteral("Comment")).contains(QStringLiteral("поддон")));
    QVERIFY(entry.value(QStringLiteral("Categories"))
                .split(QLatin1Char(';'))
                .contains(QStringLiteral("Office")));
    // The menu starts an installed executable and shows an installed icon.
    const QString exec = entry.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
    QVERIFY2(QFileInfo(QDir(FPrefix).filePath(QStringLiteral("bin/") + exec)).isExecutable(),
             qPrintable(exec));
    // "Open with" a workbook: the entry takes one file and declares the three kinds.
    QCOMPARE(entry.value(QStringLiteral("Exec")), exec + QStringLiteral(" %f"));
    QCOMPARE(entry.value(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts),
             QStringList({"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                          "application/vnd.ms-excel",
                          "application/vnd.oasis.opendocument.spreadsheet"}));
    const QString icon = entry.value(QStringLiteral("Icon"));
    QVERIFY(QFileInfo::exists(
        QDir(FPrefix).filePath(QStringLiteral("share/icons/hicolor/48x48/apps/%1.png").arg(icon))));
}

void TInstalledProgramTest::icons() {
    const QDir theme(QDir(FPrefix).filePath(QStringLiteral("share/icons/hicolor")));
    const QStringList sizes = theme.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY2(sizes.size() >= 4, qPrintable(sizes.join(u' ')));
    for (const QString& size : sizes) {
        const QImage icon(theme.filePath(size + QStringLiteral("/apps/gravelon.png")));
        QVERIFY2(!icon.isNull(), qPrintable(size));
        QCOMPARE(QStringLiteral("%1x%2").arg(icon.width()).arg(icon.height()), size);
        QVERIFY(icon.hasAlphaChannel());
    }
}

QProcessEnvironment TInstalledProgramTest::FreshUser(const QString& AHome, bool AXdg) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), AHome);
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    if (AXdg) {
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), AHome + QStringLiteral("/xdg/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), AHome + QStringLiteral("/xdg/data"));
    }
    return env;
}

void TInstalledProgramTest::informationWithoutSettings() {
    const QTemporaryDir home;
    const QProcessEnvironment env = FreshUser(home.path(), false);
    TRun r = Run(Cli(), {QStringLiteral("--version")}, env, home.path());
    QCOMPARE(r.Code, 0);
    QCOMPARE(r.Out, QStringLiteral("gravelon-cli 1.0\n"));
    r = Run(Cli(), {QStringLiteral("--help")}, env, home.path());
    QCOMPARE(r.Code, 0);
    for (const char* word : {"orders", "import", "calc", "export", "--settings", "gravelon.ini"})
        QVERIFY2(r.Out.contains(QString::fromLatin1(word)), word);
    // Asking for help sets nothing up.
    QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList());
}

void TInstalledProgramTest::freshUser_data() {
    QTest::addColumn<bool>("xdg");
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("data");
    QTest::newRow("default folders under HOME") << false << ".config"
                                                << ".local/share";
    QTest::newRow("XDG_CONFIG_HOME and XDG_DATA_HOME") << true << "xdg/config"
                                                       << "xdg/data";
}

void TInstalledProgramTest::freshUser() {
    QFETCH(bool, xdg);
    QFETCH(QString, config);
    QFETCH(QString, data);

    const QTemporaryDir home;
    const QProcessEnvironment env = FreshUser(home.path(), xdg);
    TRun r = Run(Cli(),
                 {QStringLiteral("import"), Example(QStringLiteral("order_8mm.xlsx")),
                  QStringLiteral("--number"), QStringLiteral("У-17"), QStringLiteral("--customer"),
                  QStringLiteral("ООО «Кровля»"), QStringLiteral("--max-weight"),
                  QStringLiteral("1000"), QStringLiteral("--material"), QStringLiteral("1")},
                 env, home.path());
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
    const qlonglong order = r.Out.trimmed().toLongLong();
    QVERIFY(order > 0);

    const QDir h(home.path());
    const QString ini = h.filePath(config + QStringLiteral("/gravelon/gravelon.ini"));
    const QString database = h.filePath(data + QStringLiteral("/gravelon/gravelon.db"));
    QVERIFY2(QFileInfo(ini).isFile(), qPrintable(ini));
    QVERIFY2(QFileInfo(database).isFile(), qPrintable(database));
    QFile settings(ini);
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(settings.readAll());
    QVERIFY2(text.contains(QStringLiteral("\nBaza=") + database + QLatin1Char('\n')),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("AutoObrabotka=false")));

    r = Run(Cli(), {QStringLiteral("calc")}, env, home.path());
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    // The last stage, one line a colour, the summary.
    QVERIFY2(r.Out.contains(QRegularExpression(QStringLiteral(
                 "\n6/6 [^\n]+\n(colour [^\n]+: pallets \\d+, lower bound \\d+, "
                 "(proven minimum|not proven)\n)+pallets "))),
             qPrintable(r.Out));
    QVERIFY2(r.Out.trimmed().section(QLatin1Char('\n'), -1).startsWith(QStringLiteral("pallets ")),
             qPrintable(r.Out));
    QVERIFY(Count(database, QStringLiteral("select count(*) from Palletes")) > 0);
    QCOMPARE(
        Count(database, QStringLiteral("select count(*) from Applicates where ID = %1").arg(order)),
        1);

    // The layout's block picture comes from the installed share/gravelon.
    const QString layouts = h.filePath(QStringLiteral("раскладки.xlsx"));
    r = Run(Cli(), {QStringLiteral("export"), layouts}, env, home.path());
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QVERIFY(QFileInfo(layouts).size() > 0);

    r = Run(Cli(), {QStringLiteral("orders"), QStringLiteral("--number"), QStringLiteral("У-17")},
            env, home.path());
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.startsWith(QString::number(order) + QStringLiteral("\tУ-17\t")),
             qPrintable(r.Out));
    // The installed template stays as it came.
    QFile templ(QDir(FPrefix).filePath(QStringLiteral("share/gravelon/resources/example.ini")));
    QVERIFY(templ.open(QIODevice::ReadOnly));
    QVERIFY(templ.readAll().contains("\nBaza=gravelon.db\n"));
}

void TInstalledProgramTest::settingsOptionWins() {
    const QTemporaryDir home;
    const QProcessEnvironment env = FreshUser(home.path(), false);
    const QString ini = QDir(home.path()).filePath(QStringLiteral("own/shop.ini"));
    QVERIFY(QDir().mkpath(QFileInfo(ini).absolutePath()));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[CONNECT]\nServ=\nBaza=shop.db\nLog=\nPass=\n");
    f.close();

    const TRun r =
        Run(Cli(), {QStringLiteral("--settings"), ini, QStringLiteral("orders")}, env, home.path());
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QVERIFY(QFileInfo::exists(QDir(home.path()).filePath(QStringLiteral("own/shop.db"))));
    // Neither a user's settings file nor a data folder was made.
    QVERIFY(!QFileInfo::exists(QDir(home.path()).filePath(QStringLiteral(".config"))));
    QVERIFY(!QFileInfo::exists(QDir(home.path()).filePath(QStringLiteral(".local"))));
}

void TInstalledProgramTest::programForFreshUser_data() {
    QTest::addColumn<bool>("given");
    QTest::newRow("settings made in the user's folders") << false;
    QTest::newRow("--settings wins") << true;
}

// The window program chooses its settings file as the command-line tool does: a fresh
// user's file appears at once, before the splash; a file given with --settings is the
// one whose database the program connects to after the splash, and no user's file is made.
void TInstalledProgramTest::programForFreshUser() {
    QFETCH(bool, given);

    const QTemporaryDir home;
    QProcessEnvironment env = FreshUser(home.path(), false);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QDir h(home.path());
    const QString own = h.filePath(QStringLiteral("own.ini"));
    QFile f(own);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[CONNECT]\nServ=\nBaza=own.db\nLog=\nPass=\n");
    f.close();

    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(FPrefix + QStringLiteral("/bin/gravelon"),
                  given ? QStringList{QStringLiteral("--settings"), own} : QStringList{});
    QVERIFY(program.waitForStarted());
    const QString waitedFor = given ? h.filePath(QStringLiteral("own.db"))
                                    : h.filePath(QStringLiteral(".config/gravelon/gravelon.ini"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(waitedFor), 20000);
    QCOMPARE(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
    QCOMPARE(QFileInfo::exists(h.filePath(QStringLiteral(".config"))), !given);
    QCOMPARE(QFileInfo::exists(h.filePath(QStringLiteral(".local/share/gravelon"))), !given);
}

QTEST_GUILESS_MAIN(TInstalledProgramTest)
#include "tst_installed_program.moc"
