#include "SingleInstance.h"

#include "SettingsLocation.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <pwd.h>
#include <unistd.h>

namespace {

// What a later start says first, so a stray client is not taken for one.
const QString Greeting = QStringLiteral("gravelon-open-1");
constexpr int WaitMs = 3000;

QString UserName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

} // namespace

TSingleInstance::TSingleInstance(QObject* AParent)
    : QObject(AParent), FServer(new QLocalServer(this)) {
    // The socket is the user's alone: no one else may hand the window a file.
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::OnConnection);
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName(const QString& ASettingsPath) {
    const QByteArray hash =
        QCryptographicHash::hash(GravelonSettings::CanonicalPath(ASettingsPath).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    // A user name may hold what a file name cannot.
    QString user = UserName();
    for (QChar& c : user)
        if (!c.isLetterOrNumber() && c != u'_' && c != u'-' && c != u'.')
            c = u'_';
    return QStringLiteral("gravelon-%1-%2").arg(user, QString::fromLatin1(hash));
}

bool TSingleInstance::HandOver(const QString& AName, const QString& AFile) {
    QLocalSocket socket;
    socket.connectToServer(AName);
    // A socket file no program listens on refuses at once: that program has died.
    if (!socket.waitForConnected(WaitMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << Greeting << AFile;
    socket.write(message);
    if (!socket.waitForBytesWritten(WaitMs))
        return false;
    // The running program answers once it has taken the request. One that is busy (a
    // connection being made at start-up) reads it when it is free: the request waits
    // in the socket, so the name is never taken from a live program.
    socket.waitForReadyRead(WaitMs);
    return true;
}

TSingleInstance::TStart TSingleInstance::Start(const QString& AName, const QString& AFile) {
    if (HandOver(AName, AFile))
        return TStart::HandedOver;
    if (FServer->listen(AName))
        return TStart::Listening;
    if (FServer->serverError() != QAbstractSocket::AddressInUseError)
        return TStart::Alone;
    // Two starts at once: the other may have begun listening meanwhile. Otherwise the
    // socket file is a dead program's and is taken over.
    if (HandOver(AName, AFile))
        return TStart::HandedOver;
    QLocalServer::removeServer(AName);
    return FServer->listen(AName) ? TStart::Listening : TStart::Alone;
}

void TSingleInstance::OnConnection() {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QString greeting, file;
            in >> greeting >> file;
            if (!in.commitTransaction())
                return; // the rest is still on its way
            if (greeting != Greeting) {
                socket->abort();
                return;
            }
            socket->write("1");
            socket->flush();
            socket->disconnectFromServer();
            emit Requested(file);
        });
    }
}
