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

// A command that did nothing because the database could not serve it just now; the
// same command later will do. Whoever catches failures to report them in their own
// words lets these pass: their message already says what happened.
class EDatabaseRetry : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// Another workstation held the database's write lock longer than a command waits.
class EDatabaseBusy : public EDatabaseRetry {
public:
    static const QString BusyMessage;
    explicit EDatabaseBusy(const QString& AStatement = QString());
};

// The server connection went away mid-command; the server has rolled back whatever
// the command had not committed, and the next command connects again.
class EConnectionLost : public EDatabaseRetry {
public:
    static const QString LostMessage;
    explicit EConnectionLost(const QString& AStatement = QString());
};

// Something else in this process closed a file of the embedded database and with it
// dropped SQLite's locks, or another program has since removed the database's log:
// what this connection would write could be lost. Nothing was written; the
// connection was closed without touching the files, and the next command opens it
// anew.
class EDatabaseHoldLost : public EDatabaseRetry {
public:
    static const QString HoldLostMessage;
    EDatabaseHoldLost();
};

// A calculation stopped at the user's request ("Расчет прерван пользователем"): it
// changed nothing.
class ECalculationCanceled : public EGravelonError {
public:
    using EGravelonError::EGravelonError;
};

// The order the operator sees is no longer the one the command would act on: another
// workstation replaced it, recalculated it or removed it. Nothing was changed.
// A long command other than the calculation (the layout workbook, the PDF) stopped on
// the user's "Прервать"; nothing of it was written.
class EWorkCanceled : public EGravelonError {
public:
    using EGravelonError::EGravelonError;
};

class EOrderChanged : public EGravelonError {
public:
    using EGravelonError::EGravelonError;
};

// A change that would make loaded pallets' labels stale (the calculation of an order
// some of whose pallets are on a truck) and was not told to go on. Nothing was changed.
class ELoadedPallets : public EGravelonError {
public:
    using EGravelonError::EGravelonError;
};
