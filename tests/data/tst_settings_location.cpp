#include "DataModule.h"
#include "IniFile.h"
#include "Settings.h"
#include "SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <sys/stat.h>

namespace {

const QByteArray TemplateText =
    "; template comment kept\n[CONNECT]\nServ=\nBaza=gravelon.db\nLog=\n"
    "Pass=\n\n[PROGSETTIG]\nAutoObrabotka=false\n";

void WriteFile(const QString& APath, const QByteArray& AText) {
    QVERIFY(QDir().mkpath(QFileInfo(APath).absolutePath()));
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(AText);
}

QByteArray ReadFile(const QString& APath) {
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder, the user's configuration and data folders, all in one scratch
// folder: <root>/bin for the executable, <root>/share/gravelon for an installed one.
struct TLayout {
    QTemporaryDir Root;
    QString Bin() const { return Root.filePath(QStringLiteral("bin")); }
    QString Config() const { return Root.filePath(QStringLiteral("config")); }
    QString Data() const { return Root.filePath(QStringLiteral("data")); }
    QString Installed() const { return Root.filePath(QStringLiteral("share/gravelon")); }
    TSettingsLocation Location() const { return TSettingsLocation(Bin(), Config(), Data()); }
};

const auto NoWrite = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                     QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;

} // namespace

class TSettingsLocationTest : public QObject {
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
    void userFileKept();
    void userDatabase_data();
    void userDatabase();
    void problems_data();
    void problems();
    void programFolder_data();
    void programFolder();
    void settingsOption_data();
    void settingsOption();
    void fileModes_data();
    void fileModes();
    void stateFolder_data();
    void stateFolder();
};

void TSettingsLocationTest::choose_data() {
    QTest::addColumn<QString>("beside");   // "", "writable", "read-only file", "read-only folder"
    QTest::addColumn<bool>("installed");   // a template in share/gravelon/resources
    QTest::addColumn<bool>("given");       // --settings names a file
    QTest::addColumn<QString>("expected"); // "beside", "user", "given"

    QTest::newRow("portable run: the writable file beside the executable")
        << "writable" << false << false << "beside";
    QTest::newRow("portable run beside an installed copy still keeps its own")
        << "writable" << true << false << "beside";
    QTest::newRow("installed: no file beside, the user's made from the template")
        << "" << true << false << "user";
    QTest::newRow("read-only file beside: the user's made from it")
        << "read-only file" << false << false << "user";
    QTest::newRow("read-only folder beside: the user's made from its file")
        << "read-only folder" << false << false << "user";
    QTest::newRow("--settings wins over the file beside") << "writable" << false << true << "given";
    QTest::newRow("--settings wins over the user's file") << "" << true << true << "given";
}

void TSettingsLocationTest::choose() {
    QFETCH(QString, beside);
    QFETCH(bool, installed);
    QFETCH(bool, given);
    QFETCH(QString, expected);

    TLayout l;
    const TSettingsLocation location = l.Location();
    const QString besideFile = location.BesideExecutable();
    QVERIFY(QDir().mkpath(l.Bin()));
    if (!beside.isEmpty())
        WriteFile(besideFile, TemplateText);
    if (installed)
        WriteFile(QDir(l.Installed()).filePath(QStringLiteral("resources/example.ini")),
                  TemplateText);
    const QString resources = QFileInfo(besideFile).absolutePath();
    if (beside == QLatin1String("read-only file"))
        QVERIFY(QFile::setPermissions(besideFile, NoWrite));
    if (beside == QLatin1String("read-only folder"))
        QVERIFY(QFile::setPermissions(resources, NoWrite));
    const QString givenFile = l.Root.filePath(QStringLiteral("given.ini"));

    QString problem = QStringLiteral("stale");
    const QString chosen = location.Choose(given ? givenFile : QString(), &problem);
    QFile::setPermissions(resources, NoWrite | QFileDevice::WriteOwner);

    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QString user = QDir(l.Config()).filePath(QStringLiteral("gravelon/gravelon.ini"));
    QCOMPARE(location.UserSettings(), user);
    if (expected == QLatin1String("beside")) {
        QCOMPARE(chosen, besideFile);
    } else if (expected == QLatin1String("given")) {
        QCOMPARE(chosen, givenFile);
    } else {
        QCOMPARE(chosen, user);
    }
    // The user's file exists exactly when it is the one chosen; the file beside the
    // executable is never changed.
    QCOMPARE(QFileInfo::exists(user), expected == QLatin1String("user"));
    if (!beside.isEmpty())
        QCOMPARE(ReadFile(besideFile), TemplateText);
    if (expected != QLatin1String("user"))
        return;
    // Made from the template with its comments and keys; only Baza moves to the data folder.
    const QString database = QDir(l.Data()).filePath(QStringLiteral("gravelon/gravelon.db"));
    QCOMPARE(ReadFile(user),
             QByteArray(TemplateText).replace("Baza=gravelon.db", "Baza=" + database.toUtf8()));
    QVERIFY(QFileInfo(location.UserDataFolder()).isDir());
    QCOMPARE(QDir(QFileInfo(user).absolutePath()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("gravelon.ini")});
}

void TSettingsLocationTest::userFileKept() {
    TLayout l;
    const TSettingsLocation location = l.Location();
    WriteFile(QDir(l.Installed()).filePath(QStringLiteral("resources/example.ini")), TemplateText);
    const QByteArray own = "[CONNECT]\nServ=db.example:5432\nBaza=shop\nLog=op\nPass=x\n";
    WriteFile(location.UserSettings(), own);

    QString problem;
    QCOMPARE(location.Choose(QString(), &problem), location.UserSettings());
    QVERIFY(problem.isEmpty());
    QCOMPARE(ReadFile(location.UserSettings()), own);
    // The data folder comes back when it was removed, so the embedded database can be made.
    QVERIFY(QFileInfo(location.UserDataFolder()).isDir());
}

void TSettingsLocationTest::userDatabase_data() {
    QTest::addColumn<QByteArray>("connect");
    QTest::addColumn<QString>("baza"); // expected; "@" stands for the user's data folder

    QTest::newRow("relative file goes to the data folder")
        << QByteArray("Serv=\nBaza=gravelon.db\n") << "@/gravelon.db";
    QTest::newRow("blank server still means the embedded database")
        << QByteArray("Serv=  \nBaza= shop.db \n") << "@/shop.db";
    QTest::newRow("absolute file kept")
        << QByteArray("Serv=\nBaza=/srv/gravelon/shared.db\n") << "/srv/gravelon/shared.db";
    QTest::newRow("server database name kept")
        << QByteArray("Serv=db.example:5432\nBaza=gravelon\n") << "gravelon";
    QTest::newRow("no database named: nothing invented") << QByteArray("Serv=\n") << "";
}

void TSettingsLocationTest::userDatabase() {
    QFETCH(QByteArray, connect);
    QFETCH(QString, baza);

    TLayout l;
    const TSettingsLocation location = l.Location();
    WriteFile(QDir(l.Installed()).filePath(QStringLiteral("resources/example.ini")),
              "[CONNECT]\n" + connect + "[PROGSETTIG]\nAutoObrabotka=true\n");
    QString problem;
    const QString chosen = location.Choose(QString(), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const TIniFile ini(chosen);
    QCOMPARE(GravelonSettings::ReadConnection(ini).Baza.trimmed(),
             QString(baza).replace(QLatin1Char('@'), location.UserDataFolder()));
    QCOMPARE(GravelonSettings::ReadAutoCalc(ini), QStringLiteral("true"));
}

void TSettingsLocationTest::problems_data() {
    QTest::addColumn<bool>("templateThere");
    QTest::addColumn<QString>("blockConfig"); // a plain file where the folder must go
    QTest::addColumn<QString>("problem");

    QTest::newRow("no template") << false << ""
                                 << "Не удалось прочитать шаблон настроек";
    QTest::newRow("settings folder cannot be made") << true << "config"
                                                    << "Не удалось создать папку";
    QTest::newRow("data folder cannot be made") << true << "data"
                                                << "Не удалось создать папку";
}

void TSettingsLocationTest::problems() {
    QFETCH(bool, templateThere);
    QFETCH(QString, blockConfig);
    QFETCH(QString, problem);

    TLayout l;
    const TSettingsLocation location = l.Location();
    if (templateThere)
        WriteFile(QDir(l.Installed()).filePath(QStringLiteral("resources/example.ini")),
                  TemplateText);
    if (!blockConfig.isEmpty())
        WriteFile(l.Root.filePath(blockConfig), "not a folder");

    QString said;
    const QString chosen = location.Choose(QString(), &said);
    // The user's file is still the one named, so that readers report it missing.
    QCOMPARE(chosen, location.UserSettings());
    QVERIFY2(said.startsWith(problem), qPrintable(said));
    QVERIFY(!QFileInfo::exists(chosen));
    const QStringList left =
        QDir(QFileInfo(chosen).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
}

void TSettingsLocationTest::programFolder_data() {
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("expected"); // "bin" or "share/gravelon"

    QTest::newRow("resources beside the executable") << true << true << "bin";
    QTest::newRow("installed under the prefix") << false << true << "share/gravelon";
    QTest::newRow("neither: looked for beside") << false << false << "bin";
}

void TSettingsLocationTest::programFolder() {
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(QString, expected);

    TLayout l;
    QVERIFY(QDir().mkpath(l.Bin()));
    if (beside)
        QVERIFY(QDir().mkpath(QDir(l.Bin()).filePath(QStringLiteral("resources"))));
    if (installed)
        QVERIFY(QDir().mkpath(QDir(l.Installed()).filePath(QStringLiteral("resources"))));
    const TSettingsLocation location = l.Location();
    QCOMPARE(location.ProgramFolder(), l.Root.filePath(expected));
    QCOMPARE(location.Template(),
             QDir(l.Root.filePath(expected)).filePath(QStringLiteral("resources/example.ini")));
}

void TSettingsLocationTest::settingsOption_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("rest");
    QTest::addColumn<bool>("malformed");

    QTest::newRow("option and value") << QStringList{"--settings", "/a b/x.ini", "orders"}
                                      << "/a b/x.ini" << QStringList{"orders"} << false;
    QTest::newRow("joined with =")
        << QStringList{"--settings=x.ini", "calc"} << "x.ini" << QStringList{"calc"} << false;
    QTest::newRow("not given") << QStringList{"orders", "--date", "2021-05-31"} << ""
                               << QStringList{"orders", "--date", "2021-05-31"} << false;
    QTest::newRow("only before the command")
        << QStringList{"import", "f.xlsx", "--settings", "x.ini"} << ""
        << QStringList{"import", "f.xlsx", "--settings", "x.ini"} << false;
    QTest::newRow("value missing") << QStringList{"--settings"} << "" << QStringList{} << true;
    QTest::newRow("value empty") << QStringList{"--settings=", "calc"} << "" << QStringList{"calc"}
                                 << true;
    QTest::newRow("nothing at all") << QStringList{} << "" << QStringList{} << false;
}

void TSettingsLocationTest::settingsOption() {
    QFETCH(QStringList, args);
    QFETCH(QString, value);
    QFETCH(QStringList, rest);
    QFETCH(bool, malformed);

    bool bad = !malformed;
    QCOMPARE(GravelonSettings::TakeSettingsOption(args, &bad), value);
    QCOMPARE(args, rest);
    QCOMPARE(bad, malformed);
}


// The settings hold the database password: whatever the umask, a settings file made
// here is the user's alone and so is every folder made for it. The embedded database
// follows the umask but is never wider than 0644.
void TSettingsLocationTest::fileModes_data() {
    QTest::addColumn<int>("mask");
    QTest::newRow("umask 000") << 0;
    QTest::newRow("umask 022") << 022;
    QTest::newRow("umask 077") << 077;
}

void TSettingsLocationTest::fileModes() {
    QFETCH(int, mask);
    const auto modeOf = [](const QString& APath) {
        struct stat st {};
        return ::stat(QFile::encodeName(APath).constData(), &st) == 0 ? int(st.st_mode & 07777)
                                                                       : -1;
    };
    TLayout l;
    WriteFile(QDir(l.Installed()).filePath(QStringLiteral("resources/example.ini")), TemplateText);
    const mode_t previous = ::umask(mode_t(mask));
    const auto restore = qScopeGuard([previous] { ::umask(previous); });

    const TSettingsLocation location = l.Location();
    QString problem;
    const QString chosen = location.Choose(QString(), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(chosen, location.UserSettings());
    QCOMPARE(modeOf(chosen), 0600);
    QCOMPARE(modeOf(QFileInfo(chosen).absolutePath()), 0700);
    QCOMPARE(modeOf(l.Config()), 0700);
    QCOMPARE(modeOf(location.UserDataFolder()), 0777 & ~mask);

    // A settings file the connection panel writes for the first time.
    const QString written = QDir(l.Root.path()).filePath(QStringLiteral("new.ini"));
    GravelonSettings::WriteConnection(TIniFile(written), {QString(), QStringLiteral("g.db"),
                                                         QStringLiteral("u"), QStringLiteral("p")});
    QCOMPARE(modeOf(written), 0600);
    QCOMPARE(GravelonSettings::ReadConnection(TIniFile(written)).Pass, QStringLiteral("p"));

    // The embedded database SQLite makes on the first connection.
    const QString base = QDir(location.UserDataFolder()).filePath(QStringLiteral("gravelon.db"));
    {
        TDataModule data;
        data.Connect({QString(), base, QString(), QString()}, location.UserDataFolder());
    }
    QCOMPARE(modeOf(base), 0644 & ~mask);
}

void TSettingsLocationTest::stateFolder_data() {
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QString>("expected"); // under the test's home
    QTest::newRow("unset") << QByteArray() << ".local/state/gravelon";
    QTest::newRow("absolute") << QByteArray("@/xdg/state") << "xdg/state/gravelon";
    // A relative path is invalid by the XDG rules and is ignored.
    QTest::newRow("relative") << QByteArray("xdg/state") << ".local/state/gravelon";
}

// The user's state (layout, recent workbooks) lives where the XDG rules put it, in
// folders that are the user's alone.
void TSettingsLocationTest::stateFolder() {
    QFETCH(QByteArray, xdg);
    QFETCH(QString, expected);
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldXdg = qgetenv("XDG_STATE_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    if (xdg.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", xdg.replace('@', QFile::encodeName(home.path())));
    const QString folder = GravelonSettings::StateFolder();
    qputenv("HOME", oldHome);
    if (oldXdg.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", oldXdg);
    QCOMPARE(folder, QDir(home.path()).filePath(expected));
    QVERIFY(GravelonSettings::MakePrivateFolder(folder));
    for (QString f = folder; f != home.path(); f = QFileInfo(f).path()) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(f).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
    }
}

QTEST_GUILESS_MAIN(TSettingsLocationTest)
#include "tst_settings_location.moc"
