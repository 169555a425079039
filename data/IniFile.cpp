#include "IniFile.h"

#include "Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser;

bool IsSection(const QString& ALine, QString* AName) {
    const QString t = ALine.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const int end = t.indexOf(QLatin1Char(']'));
    if (end < 0)
        return false;
    *AName = t.mid(1, end - 1).trimmed();
    return true;
}

bool IsKey(const QString& ALine, const QString& AKey, QString* AValue) {
    const QString t = ALine.trimmed();
    if (t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return false;
    const int eq = t.indexOf(QLatin1Char('='));
    if (eq < 0 || t.left(eq).trimmed().compare(AKey, Qt::CaseInsensitive) != 0)
        return false;
    *AValue = t.mid(eq + 1).trimmed();
    return true;
}

} // namespace

TIniFile::TIniFile(const QString& AFileName) : FFileName(AFileName) {}

bool TIniFile::Exists() const {
    return QFileInfo(FFileName).isFile();
}

QStringList TIniFile::ReadLines(QString* ANewline) const {
    if (ANewline)
        *ANewline = QStringLiteral("\n");
    QFile f(FFileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (ANewline)
        *ANewline =
            text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString TIniFile::ReadString(const QString& ASection, const QString& AKey,
                             const QString& ADefault) const {
    bool inSection = false;
    for (const QString& line : ReadLines(nullptr)) {
        QString name, value;
        if (IsSection(line, &name))
            inSection = name.compare(ASection, Qt::CaseInsensitive) == 0;
        else if (inSection && IsKey(line, AKey, &value))
            return value;
    }
    return ADefault;
}

void TIniFile::WriteString(const QString& ASection, const QString& AKey,
                           const QString& AValue) const {
    QString newline;
    QStringList lines = ReadLines(&newline);
    const QString entry = AKey + QLatin1Char('=') + AValue;
    int sectionAt = -1;
    int lastInSection = -1;
    bool written = false;
    for (int i = 0; i < lines.size() && !written; ++i) {
        QString name, value;
        if (IsSection(lines[i], &name)) {
            if (sectionAt >= 0)
                break;
            if (name.compare(ASection, Qt::CaseInsensitive) == 0)
                sectionAt = lastInSection = i;
        } else if (sectionAt >= 0) {
            if (IsKey(lines[i], AKey, &value)) {
                lines[i] = entry;
                written = true;
            } else if (!lines[i].trimmed().isEmpty()) {
                lastInSection = i;
            }
        }
    }
    if (!written) {
        if (sectionAt >= 0) {
            lines.insert(lastInSection + 1, entry);
        } else {
            lines << QLatin1Char('[') + ASection + QLatin1Char(']') << entry;
        }
    }
    // A file made here may come to hold the database password: it is the user's alone.
    // Made empty first, so the file written below takes its mode.
    if (!QFileInfo::exists(FFileName)) {
        QFile made(FFileName);
        if (made.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly))
            made.setPermissions(OwnerOnly);
    }
    // Written whole to a temporary file and renamed, so a full disk never leaves a
    // truncated settings file behind; the file keeps the mode it has.
    QSaveFile f(FFileName);
    if (!f.open(QIODevice::WriteOnly)) {
        throw EGravelonError(QStringLiteral("Не удалось записать файл настроек %1: %2")
                                 .arg(FFileName, f.errorString()));
    }
    f.write((lines.join(newline) + newline).toUtf8());
    if (!f.commit()) {
        throw EGravelonError(QStringLiteral("Не удалось записать файл настроек %1: %2")
                                 .arg(FFileName, f.errorString()));
    }
}
