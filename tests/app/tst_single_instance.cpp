// One running window per user and settings file: a second start of the real program
// hands its workbook over and ends with 0; a socket left by a dead program is taken
// over; another settings file is another program.
#include "SingleInstance.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The program as a desktop starts it, offscreen, its state kept in AState.
std::unique_ptr<QProcess> StartProgram(const QStringList& AArgs, const QString& AFolder) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), AFolder);
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(AFolder);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("gravelon")),
             AArgs);
    return p;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void serverName();
    void handOver_data();
    void handOver();
    void deadProgramsSocket();
    void otherSettingsOtherProgram();

private:
    QTemporaryDir FFolder;
};

void TestSingleInstance::serverName() {
    const QString a = FFolder.filePath(QStringLiteral("a.ini"));
    QVERIFY(QFile(a).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(a, FFolder.filePath(QStringLiteral("link.ini"))));
    const QString name = TSingleInstance::ServerName(a);
    // Every spelling of one file is one program.
    QCOMPARE(TSingleInstance::ServerName(FFolder.filePath(QStringLiteral("sub/../a.ini"))), name);
    QCOMPARE(TSingleInstance::ServerName(FFolder.filePath(QStringLiteral("link.ini"))), name);
    QVERIFY(TSingleInstance::ServerName(FFolder.filePath(QStringLiteral("b.ini"))) != name);
    QVERIFY(name.startsWith(QStringLiteral("gravelon-")));
    QVERIFY(name.size() < 100); // a socket path has room for about a hundred bytes
}

void TestSingleInstance::handOver_data() {
    QTest::addColumn<QStringList>("args"); // after --settings INI
    QTest::addColumn<QString>("received"); // relative to the test folder
    QTest::addColumn<bool>("busy");        // the running program answers only afterwards
    QTest::newRow("workbook") << QStringList{"заявка 1.xlsx"} << "заявка 1.xlsx" << false;
    QTest::newRow("file URL") << QStringList{"file:///tmp/%D0%B7.ods"} << "/tmp/з.ods" << false;
    QTest::newRow("window only") << QStringList{} << QString() << false;
    QTest::newRow("to a busy program") << QStringList{"b.ods"} << "b.ods" << true;
}

// The test listens as the running program; the real program is started a second time.
void TestSingleInstance::handOver() {
    QFETCH(QStringList, args);
    QFETCH(QString, received);
    QFETCH(bool, busy);
    const QString settings = FFolder.filePath(QStringLiteral("handover.ini"));
    TSingleInstance running;
    QCOMPARE(running.Start(TSingleInstance::ServerName(settings), QString()),
             TSingleInstance::TStart::Listening);
    QSignalSpy requests(&running, &TSingleInstance::Requested);
    const auto second = StartProgram(QStringList{"--settings", settings} + args, FFolder.path());
    // Busy: the test's event loop does not run until the second start has ended, as a
    // program's does not while it connects to its database at start-up.
    if (busy)
        QVERIFY(second->waitForFinished(60000));
    else
        QTRY_VERIFY_WITH_TIMEOUT(second->state() == QProcess::NotRunning, 60000);
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QTRY_COMPARE(requests.size(), 1);
    QCOMPARE(requests.first().first().toString(),
             received.isEmpty() ? QString() : QDir(FFolder.path()).absoluteFilePath(received));
}

// A program that died left its socket file: the next start listens in its place.
void TestSingleInstance::deadProgramsSocket() {
    const QString name = TSingleInstance::ServerName(FFolder.filePath(QStringLiteral("dead.ini")));
    const QByteArray path = QFile::encodeName(QDir(QDir::tempPath()).filePath(name));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd); // the file stays, no one listens
    QVERIFY(QFile::exists(QFile::decodeName(path)));
    TSingleInstance next;
    QCOMPARE(next.Start(name, QString()), TSingleInstance::TStart::Listening);
    QSignalSpy requests(&next, &TSingleInstance::Requested);
    QLocalSocket later;
    later.connectToServer(name);
    QTRY_COMPARE(later.state(), QLocalSocket::ConnectedState);
    later.abort();
}

// The real program on another settings file does not hand over to this one: it runs,
// and takes what is handed to it.
void TestSingleInstance::otherSettingsOtherProgram() {
    TestDb::TFreshDatabase other;
    QString why;
    QVERIFY2(TestDb::Fresh(TBackend::Sqlite, &other, &why), qPrintable(why));
    TSingleInstance running;
    QCOMPARE(running.Start(TSingleInstance::ServerName(FFolder.filePath(QStringLiteral("a.ini"))),
                           QString()),
             TSingleInstance::TStart::Listening);
    QSignalSpy requests(&running, &TSingleInstance::Requested);
    const auto program =
        StartProgram({QStringLiteral("--settings"), other.IniPath}, FFolder.path());
    QVERIFY(program->waitForStarted());
    const QString otherName = TSingleInstance::ServerName(other.IniPath);
    QTRY_VERIFY_WITH_TIMEOUT(TSingleInstance::HandOver(otherName, QString()), 60000);
    QCOMPARE(program->state(), QProcess::Running);
    QCOMPARE(requests.size(), 0);
    program->kill();
    program->waitForFinished();
    QLocalServer::removeServer(otherName);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
