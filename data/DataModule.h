#pragma once

#include "OrderFilter.h"
#include "Settings.h"
#include "SqlDialect.h"
#include "PositionsModel.h"
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

    // Opens the connection from the CONNECT settings: an empty Serv is the embedded
    // database file Baza (relative to ASettingsFolder); otherwise a PostgreSQL server.
    // Creates the schema in a database that has none. Throws EDatabaseError with a
    // Russian message when the database cannot be reached; the connection open before
    // (if any) then stays open and the queries keep their rows. On success the old
    // connection is closed and every query with it.
    void Connect(const TConnectionSettings& ASettings, const QString& ASettingsFolder);
    // What the open connection was made from; a connection for another thread is made
    // from it (a Qt connection may only be used by the thread that opened it).
    struct TSource {
        TConnectionSettings Settings;
        QString SettingsFolder;
        QString ConnectionName; // tells a reconnection to other settings apart
    };
    TSource Source() const { return {FSettings, FSettingsFolder, FConnectionName}; }
    // Opens a second connection to the database ASource names, for work on this
    // module's thread: the schema is there already, and an embedded file that has gone
    // is not made anew, empty. Throws EDatabaseError as Connect does.
    void ConnectAlongside(const TSource& ASource);
    void Disconnect();
    bool Connected() const;
    // The open connection; the calculation is handed this very connection. A server
    // connection that went away, or an embedded one closed because its hold on the
    // files was lost, is opened again here, outside any transaction, so the command
    // after the one that lost it works again (the grids' queries are closed).
    QSqlDatabase Connection();
    const TSqlDialect& Dialect() const { return FDialect; }
    // True when the last Connect created the schema.
    bool CreatedSchema() const { return FCreatedSchema; }

    // The grids' queries, read whole into their models below. Keys are numbers or
    // decimal text (empty text is NULL, which matches nothing).
    // The order list: the working and archived orders AFilter selects.
    void OpenOrders(const TOrderFilter& AFilter);
    // An order's positions, with their colours.
    void OpenPositions(const QVariant& AOrderId);
    // An order's pallets, numbered as the notes print them.
    void OpenPallets(const QVariant& AOrderId);
    // What one pallet of an order holds, part by part.
    void OpenPalletContents(const QVariant& AOrderId, const QVariant& APalletId);
    // The keys of the order's pallets in the pallet list's order (its numbers 1, 2, …),
    // for the workbook and the PDF, which read on the worker thread without a grid.
    QList<qlonglong> PalletIds(const QVariant& AOrder);
    // The colour directory.
    void OpenColours();
    // "exec dbo.archivation": the current order moves to the archive, in one transaction.
    // Its pallets' loading marks need no move: they name the pallets by their keys,
    // which the archive keeps.
    void Archivation();
    // "Очистить архив": every archived order goes, with its pallets' loading marks, in
    // one transaction, so a failure leaves the archive whole rather than half deleted.
    void ClearArchive();

    // Any other statement. One executed outside a transaction runs in one of its own,
    // holding the write lock.
    void ExecSql(const QString& ASql, const QVariantMap& ABinds = {});
    QList<QSqlRecord> OpenSql(const QString& ASql, const QVariantMap& ABinds = {});

    // Statement texts of the named queries, for this backend. The order list's
    // values are bound under the placeholders it names (OrderListBinds).
    static QString OrdersSql(const TSqlDialect& ADialect, TOrderFilter::TKind AKind);
    static QVariantMap OrderListBinds(const TOrderFilter& AFilter);
    static QString PositionsSql();
    static QString PalletsSql(const TSqlDialect& ADialect);
    // Sets every working pallet's size and limits from its contents: the longest sheet,
    // the widest row, the material's stack limit and the order's weight limit. Pallets
    // without contents, and rows already right, are left as they are.
    static QString PalletSizesSql();
    static QString PalletContentsSql(const TSqlDialect& ADialect);
    static QString ColoursSql();
    // The order a pallet's rows are loaded in, bottom first: the longest rows, then the
    // widest, then AKey (the placement); a size that cannot be known comes first on both
    // backends. Every list of a pallet's rows (grid, drawing, workbook, PDF) uses it.
    static QString LoadingOrder(const QString& ALength, const QString& AWidth,
                                const QString& AKey);

    // The models the grids show, owned by the module.
    TStaticQueryModel* Orders() const { return FOrders; }
    TPositionsModel* Positions() const { return FPositions; }
    TStaticQueryModel* Pallets() const { return FPallets; }
    TStaticQueryModel* PalletContents() const { return FPalletContents; }
    TStaticQueryModel* Colours() const { return FColours; }

private:
    void CloseQueries();
    static void Drop(const QString& AName);
    static TSqlDialect OpenEmbedded(const QString& AName, const TConnectionSettings& ASettings,
                                    const QString& ASettingsFolder, bool AMayCreate = true);
    void Open(const TConnectionSettings& ASettings, const QString& ASettingsFolder,
              bool AAlongside);
    static TSqlDialect OpenServer(const QString& AName, const TConnectionSettings& ASettings);
    static void PrepareSession(const QSqlDatabase& ADb, const TSqlDialect& ADialect);
    void Reopen(QSqlDatabase& ADb);

    TStaticQueryModel* FOrders;
    TPositionsModel* FPositions;
    TStaticQueryModel* FPallets;
    TStaticQueryModel* FPalletContents;
    TStaticQueryModel* FColours;
    QString FConnectionName;
    TConnectionSettings FSettings;
    QString FSettingsFolder;
    TSqlDialect FDialect;
    bool FCreatedSchema = false;
    bool FReconnect = false; // connected once: a lost connection is opened again
};
