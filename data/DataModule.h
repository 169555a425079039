#pragma once

#include "OrderFilter.h"
#include "Settings.h"
#include "SqlDialect.h"
#include "SqlRun.h"

#include <QObject>
#include <QSqlDatabase>

// The data module: the one connection and the named queries the grids show. Every
// window, the calculation and the workbook code reach the database through it.
class TDataModule : public QObject {
    Q_OBJECT
public:
    explicit TDataModule(QObject* AParent = nullptr);
    ~TDataModule() override;

    // Opens ADOConnection1 from the CONNECT settings: an empty Serv is the embedded
    // database file Baza (relative to ASettingsFolder); otherwise a PostgreSQL server.
    // Creates the schema in a database that has none. Throws EDatabaseError with a
    // Russian message when the database cannot be reached; the connection open before
    // (if any) then stays open and the queries keep their rows. On success the old
    // connection is closed and every query with it.
    void Connect(const TConnectionSettings& ASettings, const QString& ASettingsFolder);
    void Disconnect();
    bool Connected() const;
    // ADOConnection1; the calculation is handed this very connection. A server
    // connection that went away, or an embedded one closed because its hold on the
    // files was lost, is opened again here, outside any transaction, so the command
    // after the one that lost it works again (the grids' queries are closed).
    QSqlDatabase Connection();
    const TSqlDialect& Dialect() const { return FDialect; }
    // True when the last Connect created the schema.
    bool CreatedSchema() const { return FCreatedSchema; }

    // The order list: the working and archived orders AFilter selects.
    void RefreshOrderList(const TOrderFilter& AFilter);
    void OpenApplicPos(const QVariant& AApid);
    void OpenPallets(const QVariant& AApno);
    void OpenSolutions(const QVariant& AApid, const QVariant& APdid);
    void OpenPalletesfromExcel(const QVariant& AApno2);
    void OpenColors();
    // "exec dbo.archivation": the current order moves to the archive, in one transaction.
    void Archivation();
    // "Очистить архив": every archived order goes, in one transaction, so a failure
    // leaves the archive whole rather than half deleted.
    void ClearArchive();

    // ADOQuery1, the general-purpose query. A statement executed outside a transaction
    // runs in one of its own, holding the write lock.
    void ExecSql(const QString& ASql, const QVariantMap& ABinds = {});
    QList<QSqlRecord> OpenSql(const QString& ASql, const QVariantMap& ABinds = {});

    // Statement texts of the named queries, for this backend. The order list's
    // values are bound under the placeholders it names (OrderListBinds).
    static QString ApplicatesSql(const TSqlDialect& ADialect, TOrderFilter::TKind AKind);
    static QVariantMap OrderListBinds(const TOrderFilter& AFilter);
    static QString ApplicPosSql();
    static QString PalletsSql(const TSqlDialect& ADialect);
    static QString SolutionsSql(const TSqlDialect& ADialect);
    static QString ColorsSql();

    TStaticQueryModel* QApplicates;
    TStaticQueryModel* QApplicPos;
    TStaticQueryModel* QPallets;
    TStaticQueryModel* QSolutions;
    TStaticQueryModel* QPalletesfromExcel;
    TStaticQueryModel* ADOQuery2;

private:
    void CloseQueries();
    static void Drop(const QString& AName);
    static TSqlDialect OpenEmbedded(const QString& AName, const TConnectionSettings& ASettings,
                                    const QString& ASettingsFolder);
    static TSqlDialect OpenServer(const QString& AName, const TConnectionSettings& ASettings);
    static void PrepareSession(const QSqlDatabase& ADb, const TSqlDialect& ADialect);
    void Reopen(QSqlDatabase& ADb);

    QString FConnectionName;
    TSqlDialect FDialect;
    bool FCreatedSchema = false;
    bool FReconnect = false; // connected once: a lost connection is opened again
};
