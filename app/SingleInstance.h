#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running window per user and settings file. The first start listens on a local
// socket named after the user and the settings file; a later start on the same
// settings hands its workbook (or nothing, to be brought to the front) to that one and
// ends. Two settings files are two databases, so two programs.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(QObject* AParent = nullptr);
    ~TSingleInstance() override;

    // The socket's name: the user's and a hash of the settings file's canonical path,
    // so that any spelling of one file meets and a long path still makes a short name.
    static QString ServerName(const QString& ASettingsPath);
    // Hands AFile (an absolute path; empty only asks for the window) to the program
    // listening under AName; true once the request is with that program (answered, or
    // waiting for a busy program to read it).
    static bool HandOver(const QString& AName, const QString& AFile);

    // How a start goes on.
    enum class TStart {
        HandedOver, // another program took the file: this one ends
        Listening,  // this is the program; later starts come through Requested
        Alone       // the socket could not be made: this program runs all the same
    };
    // Hands AFile over when a program runs on AName, otherwise listens there. A socket
    // left by a program that died is taken over.
    TStart Start(const QString& AName, const QString& AFile);

signals:
    // A later start asked for the window, with its workbook when AFile is not empty.
    void Requested(const QString& AFile);

private:
    void OnConnection();

    QLocalServer* FServer;
};
