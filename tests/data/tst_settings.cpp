#include "Errors.h"
#include "IniFile.h"
#include "Settings.h"
#include "SqlDialect.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void WriteFile(const QString& APath, const QByteArray& AText) {
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(AText);
}

QByteArray ReadFile(const QString& APath) {
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void writeInPlace_data();
    void writeInPlace();
    void readDefaults();
    void connectionRoundTrip();
    void densePacking_data();
    void densePacking();
    void proofTime_data();
    void proofTime();
    void quoting_data();
    void quoting();
    void quotingRefusesNul();
};

void TSettingsTest::writeInPlace_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray file = "; comment kept\n[CONNECT]\nServ=old\n; inner comment\nBaza=x.db\n\n"
                            "[PROGSETTIG]\nAutoObrabotka=false\n";
    QTest::newRow("existing key, other lines untouched")
        << file << "CONNECT"
        << "Serv"
        << "srv:5432"
        << QByteArray("; comment kept\n[CONNECT]\nServ=srv:5432\n; inner comment\nBaza=x.db\n\n"
                      "[PROGSETTIG]\nAutoObrabotka=false\n");
    QTest::newRow("names compare without case")
        << file << "progsettig"
        << "autoobrabotka"
        << "true"
        << QByteArray("; comment kept\n[CONNECT]\nServ=old\n; inner comment\nBaza=x.db\n\n"
                      "[PROGSETTIG]\nautoobrabotka=true\n");
    QTest::newRow("missing key added at the end of its section")
        << file << "CONNECT"
        << "Log"
        << " sa "
        << QByteArray(
               "; comment kept\n[CONNECT]\nServ=old\n; inner comment\nBaza=x.db\nLog= sa \n\n"
               "[PROGSETTIG]\nAutoObrabotka=false\n");
    QTest::newRow("missing section appended")
        << QByteArray("[CONNECT]\nServ=\n") << "PROGSETTIG"
        << "AutoObrabotka"
        << "true" << QByteArray("[CONNECT]\nServ=\n[PROGSETTIG]\nAutoObrabotka=true\n");
    QTest::newRow("new file") << QByteArray() << "CONNECT"
                              << "Serv"
                              << "x" << QByteArray("[CONNECT]\nServ=x\n");
    QTest::newRow("windows line ends kept")
        << QByteArray("[CONNECT]\r\nServ=a\r\nBaza=b\r\n") << "CONNECT"
        << "Baza"
        << "c" << QByteArray("[CONNECT]\r\nServ=a\r\nBaza=c\r\n");
    QTest::newRow("same key in another section untouched")
        << QByteArray("[A]\nServ=1\n[CONNECT]\nServ=2\n") << "CONNECT"
        << "Serv"
        << "3" << QByteArray("[A]\nServ=1\n[CONNECT]\nServ=3\n");
}

void TSettingsTest::writeInPlace() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    WriteFile(path, before);
    if (!before.isNull())
        WriteFile(path, before);
    TIniFile ini(path);
    ini.WriteString(section, key, value);
    QCOMPARE(ReadFile(path), after);
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("?")), value.trimmed());
}

void TSettingsTest::readDefaults() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    TIniFile missing(path);
    QVERIFY(!missing.Exists());
    WriteFile(path, "[CONNECT]\nServ=host\nBaza=db\n[PROGSETTIG]\n");
    TIniFile ini(path);
    QVERIFY(ini.Exists());
    const TConnectionSettings s = GravelonSettings::ReadConnection(ini);
    QCOMPARE(s.Serv, QStringLiteral("host"));
    QCOMPARE(s.Baza, QStringLiteral("db"));
    QCOMPARE(s.Log, QStringLiteral("sa")); // a missing login reads as "sa"
    QCOMPARE(s.Pass, QString());
    QCOMPARE(GravelonSettings::ReadAutoCalc(ini), QStringLiteral("false"));
}

void TSettingsTest::connectionRoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    WriteFile(path, "[CONNECT]\n");
    TIniFile ini(path);
    const TConnectionSettings s{QStringLiteral("127.0.0.1:5433"), QStringLiteral("База"),
                                QStringLiteral("оператор"), QStringLiteral("p=a;ss")};
    GravelonSettings::WriteConnection(ini, s);
    GravelonSettings::WriteAutoCalc(ini, true);
    const TConnectionSettings r = GravelonSettings::ReadConnection(ini);
    QCOMPARE(r.Serv, s.Serv);
    QCOMPARE(r.Baza, s.Baza);
    QCOMPARE(r.Log, s.Log);
    QCOMPARE(r.Pass, s.Pass);
    QCOMPARE(GravelonSettings::ReadAutoCalc(ini), QStringLiteral("true"));
}

void TSettingsTest::densePacking_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("read");
    const QByteArray head = "[CONNECT]\nServ=\n[PROGSETTIG]\nAutoObrabotka=true\n";
    QTest::newRow("missing is off") << head << false;
    QTest::newRow("true") << head + "PlotnayaUkladka=true\n" << true;
    QTest::newRow("any case, blanks") << head + "plotnayaukladka = TRUE \n" << true;
    QTest::newRow("false") << head + "PlotnayaUkladka=false\n" << false;
    QTest::newRow("anything else is off") << head + "PlotnayaUkladka=1\n" << false;
}

void TSettingsTest::densePacking() {
    QFETCH(QByteArray, before);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    WriteFile(path, before);
    const TIniFile ini(path);
    QCOMPARE(GravelonSettings::ReadDensePacking(ini), read);
    // Written as the other option is, beside it, and read back.
    for (const bool on : {!read, read}) {
        GravelonSettings::WriteDensePacking(ini, on);
        QCOMPARE(GravelonSettings::ReadDensePacking(ini), on);
        QCOMPARE(GravelonSettings::ReadAutoCalc(ini), QStringLiteral("true"));
    }
    const QByteArray after = ReadFile(path);
    QVERIFY2(after.startsWith("[CONNECT]\nServ=\n[PROGSETTIG]\nAutoObrabotka=true\n"),
             after.constData());
    QCOMPARE(after.toLower().count("plotnayaukladka"), qsizetype(1));
}

void TSettingsTest::proofTime_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("read");
    QTest::newRow("missing") << QByteArray() << qint64(1000);
    QTest::newRow("given") << QByteArray("VremyaDokazatelstva= 250 \n") << qint64(250);
    QTest::newRow("none at all") << QByteArray("VremyaDokazatelstva=0\n") << qint64(0);
    QTest::newRow("a minute") << QByteArray("VremyaDokazatelstva=60000\n") << qint64(60000);
    QTest::newRow("beyond a minute") << QByteArray("VremyaDokazatelstva=60001\n") << qint64(1000);
    QTest::newRow("negative") << QByteArray("VremyaDokazatelstva=-5\n") << qint64(1000);
    QTest::newRow("not a number") << QByteArray("VremyaDokazatelstva=1 с\n") << qint64(1000);
}

void TSettingsTest::proofTime() {
    QFETCH(QByteArray, value);
    QFETCH(qint64, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    WriteFile(path, "[CONNECT]\nServ=\n[PROGSETTIG]\n" + value);
    QCOMPARE(GravelonSettings::ReadProofTime(TIniFile(path)), read);
}

void TSettingsTest::quoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "abc"
                           << "'abc'";
    QTest::newRow("apostrophe") << "O'Neil"
                                << "'O''Neil'";
    QTest::newRow("only apostrophes") << "''"
                                      << "''''''";
    QTest::newRow("empty") << ""
                           << "''";
    QTest::newRow("backslash is plain") << "a\\'b"
                                        << "'a\\''b'";
}

void TSettingsTest::quoting() {
    QFETCH(QString, text);
    QFETCH(QString, quoted);
    QCOMPARE(TSqlDialect::QuotedStr(text), quoted);
}

void TSettingsTest::quotingRefusesNul() {
    QVERIFY_THROWS_EXCEPTION(EGravelonError,
                             TSqlDialect::QuotedStr(QStringLiteral("a") + QChar(0) + "b"));
}

QTEST_GUILESS_MAIN(TSettingsTest)
#include "tst_settings.moc"
