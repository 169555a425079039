#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The general exception of the system: a Russian message meant for the user.
class EGravelonError : public std::exception {
public:
    explicit EGravelonError(const QString& AMessage);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// A statement the database refused, or a connection it would not open. Carries the
// database's own text and the statement, so a failure can be traced to its SQL.
class EDatabaseError : public EGravelonError {
public:
    EDatabaseError(const QString& AMessage, const QString& AStatement = QString());
    const QString& Statement() const { return FStatement; }

private:
    QString FStatement;
};
