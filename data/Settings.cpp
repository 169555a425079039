#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace GravelonSettings {

QString IniNotFound(const QString& ASettingsPath) {
    return QStringLiteral("Файл %1 не найден!").arg(QFileInfo(ASettingsPath).fileName());
}

QString DefaultPath() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("resources/example.ini"));
}

TConnectionSettings ReadConnection(const TIniFile& AIni) {
    TConnectionSettings s;
    s.Serv = AIni.ReadString(ConnectSection, QStringLiteral("Serv"), QString());
    s.Baza = AIni.ReadString(ConnectSection, QStringLiteral("Baza"), QString());
    s.Log = AIni.ReadString(ConnectSection, QStringLiteral("Log"), QStringLiteral("sa"));
    s.Pass = AIni.ReadString(ConnectSection, QStringLiteral("Pass"), QString());
    return s;
}

void WriteConnection(const TIniFile& AIni, const TConnectionSettings& ASettings) {
    AIni.WriteString(ConnectSection, QStringLiteral("Serv"), ASettings.Serv);
    AIni.WriteString(ConnectSection, QStringLiteral("Baza"), ASettings.Baza);
    AIni.WriteString(ConnectSection, QStringLiteral("Log"), ASettings.Log);
    AIni.WriteString(ConnectSection, QStringLiteral("Pass"), ASettings.Pass);
}

QString ReadAutoCalc(const TIniFile& AIni) {
    return AIni.ReadString(ProgramSection, AutoCalcKey, QStringLiteral("false"));
}

void WriteAutoCalc(const TIniFile& AIni, bool AChecked) {
    AIni.WriteString(ProgramSection, AutoCalcKey,
                     AChecked ? QStringLiteral("true") : QStringLiteral("false"));
}

bool ReadDensePacking(const TIniFile& AIni) {
    return AIni.ReadString(ProgramSection, DensePackingKey, QStringLiteral("false"))
               .trimmed()
               .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

bool ReadLabelsOnA4(const TIniFile& AIni) {
    return AIni.ReadString(ProgramSection, LabelPaperKey, QStringLiteral("false"))
               .trimmed()
               .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

qint64 ReadProofTime(const TIniFile& AIni) {
    bool ok = false;
    const qint64 ms =
        AIni.ReadString(ProgramSection, ProofTimeKey, QString()).trimmed().toLongLong(&ok);
    return ok && ms >= 0 && ms <= 60000 ? ms : DefaultProofTime;
}

void WriteDensePacking(const TIniFile& AIni, bool AChecked) {
    AIni.WriteString(ProgramSection, DensePackingKey,
                     AChecked ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace GravelonSettings
