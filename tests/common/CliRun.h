#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStringList>

// gravelon-cli run as a program on a test's settings file, as a script runs it: no
// display (the commands that paint must not need one).
namespace CliRun {

struct TResult {
    int Exit = -1; // -1: did not end normally within two minutes
    QString Out;
    QString Err;
};

// The gravelon-cli built beside the test.
inline QString Path() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("gravelon-cli"));
}

inline TResult Run(const QString& AIni, const QStringList& AArgs) {
    QProcess p;
    p.setProgram(Path());
    p.setArguments(QStringList{QStringLiteral("--settings"), AIni} + AArgs);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p.setProcessEnvironment(env);
    p.start();
    TResult r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.Exit = p.exitCode();
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace CliRun
