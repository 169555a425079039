#pragma once

#include <QString>
#include <QStringList>

// Windows-style ini file read and written in place: section and key names compare
// without regard to case, and a write touches only its own line, so comments, order
// and the other keys survive. Every call goes to the file, as the profile-string
// functions did; nothing is cached between calls.
class TIniFile {
public:
    explicit TIniFile(const QString& AFileName);

    const QString& FileName() const { return FFileName; }
    bool Exists() const;
    QString ReadString(const QString& ASection, const QString& AKey, const QString& ADefault) const;
    // Throws EGravelonError when the file cannot be written.
    void WriteString(const QString& ASection, const QString& AKey, const QString& AValue) const;

private:
    QStringList ReadLines(QString* ANewline) const;
    QString FFileName;
};
