#include "DataModule.h"

#include "Errors.h"
#include "Schema.h"
#include "SqliteFunctions.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <fcntl.h>
#include <libpq-fe.h>
#include <unistd.h>

namespace {

QAtomicInt ConnectionCounter;

// The order list's two halves differ only in their tables. The customer and the
// material both have a Name: the second is Name_1, as the grids address it.
const char* const OrdersHalf =
    "select a.*, null oldid, c.Name Name, m.Name Name_1, m.MaxH, m.Weight1m2, m.Width "
    "from %1 a left join Customers c on c.ID = a.CustomerID "
    "left join Materials m on m.ID = a.MatID WHERE %2";

const char* const PositionsHalf =
    "SELECT ap.*, null oldid, c.Code ColorCode, c.Name Color FROM %1 ap "
    "inner join Colors c on c.ID = ap.ColorID where ap.ApplicateID = %2";

// wfill and hfill: how full the pallet is, in per cent of the order's weight limit and
// of the material's stack limit, taken from the pallet's figures once they are counted
// (the weight and height functions each run a query of their own).
const char* const PalletsHalf =
    "select q.id id, q.Length Length, q.Width Width, q.Number Number, q.clrname clrname, "
    "q.clrcode clrcode, q.W W, q.h h, %9 wfill, %10 hfill, "
    "(select substr(cast(l.LoadedAt as text), 1, 16) from PalleteLoads l "
    "where l.PalleteID = q.id) loaded, "
    "(select 'закреплен' from PalletePins pp where pp.PalleteID = q.id) pinned from ("
    "select p.ID id, p.Length Length, p.Width Width, "
    "ROW_NUMBER() over (order by %8, p.Length, p.Width, p.ID) Number, "
    "c.Name clrname, c.Code clrcode, %1(p.ID) W, %2(p.ID) h, a.MaxW MaxW, m.MaxH MaxH "
    "from %3 p inner join Colors c on c.ID = p.ColorID "
    "inner join %4 s on p.ID = s.PalleteID "
    "inner join %5 a on a.ID = s.ApplicateID "
    "inner join %6 ap on ap.ID = s.PosID "
    "inner join Materials m on m.ID = a.MatID "
    "where s.ApplicateID = %7 "
    "group by p.ID, p.Length, p.Width, p.Number, c.Name, c.Code, a.MaxW, m.MaxH) q";

// hgt is the true stack count: 5 sheets at 2 abreast stand 3 high.
const char* const PalletContentsHalf =
    "select ap.Width L, ap.Height*QtyInRow(ap.Height, ap.Quantity) B, ap.Height, s.Comment, "
    "ap.Quantity, QtyInRow(ap.Height, ap.Quantity) QtyInRow, %1 s, "
    "(ap.Quantity + QtyInRow(ap.Height, ap.Quantity) - 1) / QtyInRow(ap.Height, ap.Quantity) hgt, "
    "%2 wgt, s.ID sid "
    "from %3 p inner join Colors c on c.ID = p.ColorID "
    "inner join %4 s on p.ID = s.PalleteID "
    "inner join %5 a on a.ID = s.ApplicateID "
    "inner join %6 ap on ap.ID = s.PosID "
    "inner join Materials m on m.ID = a.MatID "
    "where s.ApplicateID = %7 and p.ID = %8";

// libpq prints what the server says outside a statement (the notice of a connection
// the server is ending, among others) on standard error. The program reports that in
// its own words when the next statement fails; raw server text is not for the user.
void DropServerNotice(void*, const char*) {}

QString L(const char* AText) {
    return QString::fromUtf8(AText);
}

// Turns a file's journal into WAL. On a file no one has written yet that writes its
// first page, and the statement does it by turning its read into a write: SQLite does
// not wait for another connection's write lock there (the two could wait for each
// other), it answers "busy" at once. So two workstations meeting a new file together
// would see one of them refused; the pragma is tried again until a writer's usual wait
// is over, by when the other's change is long made.
void UseWalJournal(const QSqlDatabase& ADb) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            SqlRun::Exec(ADb, QStringLiteral("PRAGMA journal_mode = WAL"));
            return;
        } catch (const EDatabaseBusy&) {
            if (waited.elapsed() >= TTransaction::LockWait())
                throw;
        }
        QThread::msleep(10);
    }
}

// Why a server connection did not open, in Russian first, with what to check; libpq's
// own words follow (not the driver's "unable to connect" of every failure). The server
// is asked apart whether it is there at all, which tells an unreachable server from a
// refused login; the password is not in either text.
QString ServerOpenFailure(const QSqlDatabase& ADb) {
    const QString host = ADb.hostName();
    const QString port = QString::number(ADb.port() > 0 ? ADb.port() : 5432);
    const QByteArray hostBytes = host.toUtf8();
    const QByteArray portBytes = port.toUtf8();
    const QByteArray nameBytes = ADb.databaseName().toUtf8();
    const char* const keys[] = {"host", "port", "dbname", "connect_timeout", nullptr};
    const char* const values[] = {hostBytes.constData(), portBytes.constData(),
                                  nameBytes.constData(), "5", nullptr};
    const PGPing ping = PQpingParams(keys, values, 0);
    const QString where = host + QLatin1Char(':') + port;
    QString sentence;
    if (ping == PQPING_NO_RESPONSE || ping == PQPING_NO_ATTEMPT)
        sentence = QStringLiteral("сервер %1 недоступен (база данных «%2»). Проверьте, что "
                                  "сервер PostgreSQL запущен и в настройках подключения указаны "
                                  "его адрес и порт, и что сеть до него работает.")
                       .arg(where, ADb.databaseName());
    else if (ping == PQPING_REJECT)
        sentence = QStringLiteral("сервер %1 сейчас не принимает подключения (база данных «%2»): "
                                  "он запускается или останавливается. Повторите подключение "
                                  "через минуту.")
                       .arg(where, ADb.databaseName());
    else
        sentence = QStringLiteral("сервер %1 отказал в подключении к базе данных «%2»%3. "
                                  "Проверьте в настройках подключения имя базы данных, "
                                  "пользователя и пароль.")
                       .arg(where, ADb.databaseName(),
                            ADb.userName().isEmpty()
                                ? QString()
                                : QStringLiteral(" пользователю «%1»").arg(ADb.userName()));
    const QString server = ADb.lastError().databaseText().trimmed();
    return server.isEmpty() ? sentence : sentence + QStringLiteral(" Ответ сервера: ") + server;
}

} // namespace

TDataModule::TDataModule(QObject* AParent)
    : QObject(AParent), FOrders(new TStaticQueryModel(this)),
      FPositions(new TPositionsModel(this)), FPallets(new TStaticQueryModel(this)),
      FPalletContents(new TStaticQueryModel(this)), FColours(new TStaticQueryModel(this)) {
    setObjectName(QStringLiteral("DataModule"));
    FConnectionName = QStringLiteral("Gravelon_%1").arg(ConnectionCounter.fetchAndAddRelaxed(1));
}

TDataModule::~TDataModule() {
    Disconnect();
}

void TDataModule::CloseQueries() {
    for (TStaticQueryModel* m : std::initializer_list<TStaticQueryModel*>{
             FOrders, FPositions, FPallets, FPalletContents, FColours})
        m->Close();
}

void TDataModule::Disconnect() {
    FReconnect = false;
    CloseQueries();
    Drop(FConnectionName);
}

bool TDataModule::Connected() const {
    return QSqlDatabase::contains(FConnectionName) &&
           QSqlDatabase::database(FConnectionName, false).isOpen();
}

QSqlDatabase TDataModule::Connection() {
    QSqlDatabase db = QSqlDatabase::database(FConnectionName, false);
    // The driver closes a server connection that went away. The command that saw it
    // has ended with its message; the next one connects again, unless it is still
    // inside that command's transaction, which the server has dropped.
    if (FReconnect && db.isValid() && (!db.isOpen() || SqlRun::ServerConnectionBroken(db)) &&
        !TTransaction::Active(db))
        Reopen(db);
    return db;
}

void TDataModule::Reopen(QSqlDatabase& ADb) {
    CloseQueries();
    ADb.close();
    // An embedded database moved or deleted meanwhile is not made anew, empty, at its
    // old path: the orders are in the file that went.
    if (!FDialect.IsPostgres() && !QFileInfo::exists(ADb.databaseName()))
        throw EDatabaseError(QStringLiteral("Ошибка подключения к базе данных: файл %1 не найден")
                                 .arg(QDir::toNativeSeparators(ADb.databaseName())));
    if (!ADb.open()) {
        throw EDatabaseError(QStringLiteral("Ошибка подключения к базе данных: ") +
                             (FDialect.IsPostgres() ? ServerOpenFailure(ADb)
                                                    : ADb.lastError().text()));
    }
    PrepareSession(ADb, FDialect);
}

void TDataModule::PrepareSession(const QSqlDatabase& ADb, const TSqlDialect& ADialect) {
    if (ADialect.IsPostgres()) {
        if (PGconn* connection = SqlRun::PostgresConnection(ADb))
            PQsetNoticeProcessor(connection, DropServerNotice, nullptr);
        SqlRun::Exec(ADb, QStringLiteral("SET standard_conforming_strings = on"));
        SqlRun::Exec(ADb, QStringLiteral("SET statement_timeout = 30000"));
        SqlRun::Exec(ADb, QStringLiteral("SET client_min_messages = warning"));
        // Last: a session that carries the name is ready for the program's commands, and
        // the server's administrator sees which sessions are the program's.
        SqlRun::Exec(ADb, QStringLiteral("SET application_name = 'gravelon'"));
        return;
    }
    UseWalJournal(ADb);
    SqlRun::Exec(ADb, QStringLiteral("PRAGMA foreign_keys = ON"));
    RegisterSqliteFunctions(ADb);
}

void TDataModule::Connect(const TConnectionSettings& ASettings, const QString& ASettingsFolder) {
    Open(ASettings, ASettingsFolder, false);
}

void TDataModule::ConnectAlongside(const TSource& ASource) {
    Open(ASource.Settings, ASource.SettingsFolder, true);
}

void TDataModule::Open(const TConnectionSettings& ASettings, const QString& ASettingsFolder,
                       bool AAlongside) {
    // The new connection is made beside the working one, which is given up only once
    // the new one is open and has its schema: a failed attempt leaves the program
    // connected as it was.
    const QString name = QStringLiteral("Gravelon_%1").arg(ConnectionCounter.fetchAndAddRelaxed(1));
    TSqlDialect dialect;
    bool created = false;
    try {
        if (ASettings.Serv.trimmed().isEmpty())
            dialect = OpenEmbedded(name, ASettings, ASettingsFolder, !AAlongside);
        else
            dialect = OpenServer(name, ASettings);
        if (!AAlongside)
            created = Schema::Ensure(QSqlDatabase::database(name, false), dialect);
    } catch (const EDatabaseError& e) {
        Drop(name);
        throw EDatabaseError(QStringLiteral("Ошибка подключения к базе данных: ") + e.Message(),
                             e.Statement());
    } catch (...) {
        Drop(name);
        throw;
    }
    Disconnect();
    FConnectionName = name;
    FSettings = ASettings;
    FSettingsFolder = ASettingsFolder;
    FDialect = dialect;
    FCreatedSchema = created;
    FReconnect = true;
}

void TDataModule::Drop(const QString& AName) {
    if (!QSqlDatabase::contains(AName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(AName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(AName);
}

TSqlDialect TDataModule::OpenEmbedded(const QString& AName, const TConnectionSettings& ASettings,
                                      const QString& ASettingsFolder, bool AMayCreate) {
    const QString file = ASettings.Baza.trimmed();
    if (file.isEmpty())
        throw EDatabaseError(QStringLiteral("не указан файл встроенной базы данных (Baza)"));
    const QString path = QDir(ASettingsFolder).absoluteFilePath(file);
    if (QFileInfo(path).isDir())
        throw EDatabaseError(QStringLiteral("укажите в настройках подключения (Baza) файл базы "
                                            "данных: %1 — это папка, а не файл базы данных")
                                 .arg(path));
    // A second connection finds the file the first one opened; one that has gone since
    // (moved, deleted) holds the orders elsewhere, and an empty one here would hide that.
    if (!AMayCreate && !QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("файл %1 не найден").arg(QDir::toNativeSeparators(path)));
    // A missing file would get the mode SQLite was built with; made empty here (an empty
    // file is an empty database) it follows the umask and is never wider than 0644,
    // whoever built the library. A file that exists keeps its mode.
    const int made = ::open(QFile::encodeName(path).constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (made >= 0)
        ::close(made);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), AName);
    db.setDatabaseName(path);
    // Every statement waits as long for a lock as a writer waits for the write lock.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(TTransaction::LockWait()));
    if (!db.open()) {
        throw EDatabaseError(
            QStringLiteral("не удалось открыть файл %1: %2").arg(path, db.lastError().text()));
    }
    const TSqlDialect dialect(TBackend::Sqlite);
    PrepareSession(db, dialect);
    return dialect;
}

TSqlDialect TDataModule::OpenServer(const QString& AName, const TConnectionSettings& ASettings) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), AName);
    const QString serv = ASettings.Serv.trimmed();
    const int colon = serv.lastIndexOf(QLatin1Char(':'));
    if (colon > 0) {
        bool ok = false;
        const int port = serv.mid(colon + 1).toInt(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("неверный порт сервера «%1»").arg(serv));
        db.setHostName(serv.left(colon));
        db.setPort(port);
    } else {
        db.setHostName(serv);
    }
    db.setDatabaseName(ASettings.Baza);
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    // A login that is blank uses the operating system's authentication.
    if (!ASettings.Log.trimmed().isEmpty()) {
        db.setUserName(ASettings.Log);
        db.setPassword(ASettings.Pass);
    }
    if (!db.open())
        throw EDatabaseError(ServerOpenFailure(db));
    const TSqlDialect dialect(TBackend::Postgres);
    PrepareSession(db, dialect);
    return dialect;
}

QString TDataModule::OrdersSql(const TSqlDialect& ADialect, TOrderFilter::TKind AKind) {
    // Each half has placeholders of its own (":day1", ":day2"): a name bound twice in
    // one statement is not carried alike by every driver.
    auto condition = [&](const QString& AHalf) {
        switch (AKind) {
        case TOrderFilter::TKind::Date:
            return ADialect.SameDay(QStringLiteral("a.date"), QStringLiteral(":day") + AHalf);
        case TOrderFilter::TKind::Today:
            return ADialect.IsToday(QStringLiteral("a.date"));
        case TOrderFilter::TKind::Number:
            return ADialect.ContainsText(QStringLiteral("a.Number"),
                                         QStringLiteral(":number") + AHalf);
        case TOrderFilter::TKind::Id:
            break;
        }
        return QStringLiteral("a.ID = :id") + AHalf;
    };
    return L(OrdersHalf).arg(QStringLiteral("Applicates"), condition(QStringLiteral("1"))) +
           QStringLiteral(" union all ") +
           L(OrdersHalf).arg(QStringLiteral("Applicates_archive"), condition(QStringLiteral("2")));
}

QVariantMap TDataModule::OrderListBinds(const TOrderFilter& AFilter) {
    QString name;
    QVariant value;
    switch (AFilter.Kind) {
    case TOrderFilter::TKind::Date:
        name = QStringLiteral(":day");
        value = TSqlDialect::DayValue(AFilter.Date);
        break;
    case TOrderFilter::TKind::Today:
        return {};
    case TOrderFilter::TKind::Number:
        name = QStringLiteral(":number");
        value = TSqlDialect::ContainedValue(AFilter.Number);
        break;
    case TOrderFilter::TKind::Id:
        name = QStringLiteral(":id");
        value = AFilter.Id;
        break;
    }
    return {{name + QLatin1Char('1'), value}, {name + QLatin1Char('2'), value}};
}

QString TDataModule::PositionsSql() {
    return L(PositionsHalf).arg(QStringLiteral("ApplicatePositions"), QStringLiteral(":apid1")) +
           QStringLiteral(" union all ") +
           L(PositionsHalf)
               .arg(QStringLiteral("ApplicatePositions_archive"), QStringLiteral(":apid2")) +
           QStringLiteral(" order by ID");
}

QString TDataModule::PalletsSql(const TSqlDialect& ADialect) {
    // Pallets are numbered in the code's code-point order on every database: the
    // numbers are printed on the notes and must not depend on a server's collation.
    const QString code = ADialect.BinaryOrder(QStringLiteral("c.Code"));
    // A share is counted in tenths of a per cent and rounded to a whole tenth, from
    // figures that make a half tenth exact: SQLite rounds a binary fraction as it is
    // (41.15 is stored a hair below, and newer versions round it down) while
    // PostgreSQL rounds its decimal text, so rounding the per cent to one decimal would
    // let the two databases show different figures. The weight is taken in whole
    // hundredths of a kilogram, as the weight function rounds it. No limit, or a limit
    // of 0, leaves the share empty.
    const auto share = [&ADialect](const QString& AThousandfold, const QString& ALimit) {
        return ADialect.Round(AThousandfold + QStringLiteral("/nullif(") + ALimit +
                                  QStringLiteral(", 0)"),
                              0) +
               QStringLiteral("/10");
    };
    const QString weightShare =
        share(QStringLiteral("10*") + ADialect.Round(QStringLiteral("q.W*100"), 0),
              QStringLiteral("q.MaxW"));
    const QString heightShare = share(QStringLiteral("1000.0*q.h"), QStringLiteral("q.MaxH"));
    const QString working =
        L(PalletsHalf)
            .arg(QStringLiteral("pw"), QStringLiteral("ph"), QStringLiteral("Palletes"),
                 QStringLiteral("Solutions"), QStringLiteral("Applicates"),
                 QStringLiteral("ApplicatePositions"), QStringLiteral(":apno1"), code, weightShare,
                 heightShare);
    const QString archive =
        L(PalletsHalf)
            .arg(QStringLiteral("pwa"), QStringLiteral("pha"), QStringLiteral("Palletes_archive"),
                 QStringLiteral("Solutions_archive"), QStringLiteral("Applicates_archive"),
                 QStringLiteral("ApplicatePositions_archive"), QStringLiteral(":apno2"), code,
                 weightShare, heightShare);
    // PostgreSQL takes a collation only on a column of a query, not of a union.
    return QStringLiteral("select * from (") + working + QStringLiteral(" union all ") + archive +
           QStringLiteral(") u order by ") + ADialect.BinaryOrder(QStringLiteral("clrcode")) +
           QStringLiteral(", Number, Length, Width, id");
}

QString TDataModule::PalletSizesSql() {
    // Rows already holding their sizes are not rewritten: the calculation runs this
    // after every pass inside one transaction, and PostgreSQL would keep a dead version
    // of every pallet each time, slowing every later query down.
    return QStringLiteral(
        "update Palletes set Length = s.L, Width = s.W, MaxH = s.H, MaxW = s.MW from "
        "(select max(ap.Width) L, max(ap.Height*sol.QuantityInRow) W, max(m.MaxH) H, "
        "max(a.MaxW) MW, sol.PalleteID from Solutions sol "
        "inner join ApplicatePositions ap on ap.ID = sol.PosID "
        "inner join Applicates a on a.ID = ap.ApplicateID "
        "inner join Materials m on m.ID = a.MatID group by sol.PalleteID) s "
        "where s.PalleteID = Palletes.ID and (Palletes.Length is distinct from s.L or "
        "Palletes.Width is distinct from s.W or Palletes.MaxH is distinct from s.H or "
        "Palletes.MaxW is distinct from s.MW)");
}

QString TDataModule::LoadingOrder(const QString& ALength, const QString& AWidth,
                                  const QString& AKey) {
    return QStringLiteral("case when %1 is null then 0 else 1 end, %1 desc, "
                          "case when %2 is null then 0 else 1 end, %2 desc, %3")
        .arg(ALength, AWidth, AKey);
}

QString TDataModule::PalletContentsSql(const TSqlDialect& ADialect) {
    const QString area = ADialect.Round(QStringLiteral("ap.Width*ap.Height*ap.Quantity*1e-6"), 1);
    const QString weight =
        ADialect.TruncToInt(QStringLiteral("ap.Width*ap.Height*ap.Quantity*1e-6*m.Weight1m2"));
    auto half = [&](const QString& AP, const QString& AS, const QString& AA, const QString& AAP,
                    const QString& AApid, const QString& APdid) {
        return L(PalletContentsHalf).arg(area, weight, AP, AS, AA, AAP, AApid, APdid);
    };
    // Listed from the bottom of the stack as it is loaded: the longest rows first, then
    // the widest. PostgreSQL orders a union by its columns only, hence the outer select.
    return QStringLiteral("select * from (") +
           half(QStringLiteral("Palletes"), QStringLiteral("Solutions"),
                QStringLiteral("Applicates"), QStringLiteral("ApplicatePositions"),
                QStringLiteral(":apid1"), QStringLiteral(":pdid1")) +
           QStringLiteral(" union all ") +
           half(QStringLiteral("Palletes_archive"), QStringLiteral("Solutions_archive"),
                QStringLiteral("Applicates_archive"), QStringLiteral("ApplicatePositions_archive"),
                QStringLiteral(":apid2"), QStringLiteral(":pdid2")) +
           QStringLiteral(") u order by ") + LoadingOrder(QStringLiteral("u.L"), QStringLiteral("u.B"),
                                                          QStringLiteral("u.sid"));
}

QString TDataModule::ColoursSql() {
    return QStringLiteral("Select Code, name from Colors order by ID");
}

void TDataModule::OpenOrders(const TOrderFilter& AFilter) {
    // A value refused before the statement runs (a number holding NUL) leaves the list
    // as it was.
    const QVariantMap binds = OrderListBinds(AFilter);
    FOrders->Close();
    FOrders->Open(Connection(), OrdersSql(FDialect, AFilter.Kind), binds);
}

void TDataModule::OpenPositions(const QVariant& AOrderId) {
    const QVariant key = SqlRun::KeyValue(AOrderId);
    FPositions->Open(Connection(), PositionsSql(),
                     {{QStringLiteral(":apid1"), key}, {QStringLiteral(":apid2"), key}});
}

void TDataModule::OpenPallets(const QVariant& AOrderId) {
    const QVariant key = SqlRun::KeyValue(AOrderId);
    FPallets->Open(Connection(), PalletsSql(FDialect),
                   {{QStringLiteral(":apno1"), key}, {QStringLiteral(":apno2"), key}});
}

QList<qlonglong> TDataModule::PalletIds(const QVariant& AOrder) {
    const QVariant key = SqlRun::KeyValue(AOrder);
    QList<qlonglong> ids;
    for (const QSqlRecord& r : OpenSql(PalletsSql(FDialect), {{QStringLiteral(":apno1"), key},
                                                              {QStringLiteral(":apno2"), key}}))
        ids << r.value(QStringLiteral("id")).toLongLong();
    return ids;
}

void TDataModule::OpenPalletContents(const QVariant& AOrderId, const QVariant& APalletId) {
    const QVariant apid = SqlRun::KeyValue(AOrderId);
    const QVariant pdid = SqlRun::KeyValue(APalletId);
    FPalletContents->Open(Connection(), PalletContentsSql(FDialect),
                          {{QStringLiteral(":apid1"), apid},
                           {QStringLiteral(":apid2"), apid},
                           {QStringLiteral(":pdid1"), pdid},
                           {QStringLiteral(":pdid2"), pdid}});
}

void TDataModule::OpenColours() {
    FColours->Open(Connection(), ColoursSql());
}

void TDataModule::Archivation() {
    QSqlDatabase db = Connection();
    TTransaction tr(db, FDialect);
    if (FDialect.IsPostgres()) {
        SqlRun::Exec(db, QStringLiteral("SET LOCAL statement_timeout = 600000"));
        SqlRun::Exec(db, QStringLiteral("select archivation()"));
    } else {
        for (const char* table : {"Applicates", "ApplicatePositions", "Palletes", "Solutions"}) {
            SqlRun::Exec(db, QStringLiteral("insert into %1_archive select * from %1")
                                 .arg(QLatin1String(table)));
        }
        for (const char* table : {"Solutions", "Palletes", "ApplicatePositions", "Applicates"})
            SqlRun::Exec(db, QStringLiteral("delete from %1").arg(QLatin1String(table)));
    }
    tr.Commit();
}

void TDataModule::ClearArchive() {
    QSqlDatabase db = Connection();
    TTransaction tr(db, FDialect);
    // The loading marks of archived pallets, and the word on how their plans were made,
    // go with them; a working pallet's stay.
    SqlRun::Exec(db, QStringLiteral("delete from PalleteLoads where PalleteID in "
                                    "(select ID from Palletes_archive)"));
    SqlRun::Exec(db, QStringLiteral("delete from ApplicatePlans where ApplicateID in "
                                    "(select ID from Applicates_archive)"));
    // Children first: the archive's links are foreign keys.
    for (const char* table : {"Solutions_archive", "Palletes_archive", "ApplicatePositions_archive",
                              "Applicates_archive"})
        SqlRun::Exec(db, QStringLiteral("delete from %1").arg(QLatin1String(table)));
    tr.Commit();
}

void TDataModule::ExecSql(const QString& ASql, const QVariantMap& ABinds) {
    const QSqlDatabase db = Connection();
    if (TTransaction::Active(db)) {
        SqlRun::Exec(db, ASql, ABinds);
        return;
    }
    // A statement run on its own still changes tables: it takes the write lock like
    // any other change, so it never lands in the middle of another workstation's.
    TTransaction tr(db, FDialect);
    SqlRun::Exec(db, ASql, ABinds);
    tr.Commit();
}

QList<QSqlRecord> TDataModule::OpenSql(const QString& ASql, const QVariantMap& ABinds) {
    return SqlRun::Open(Connection(), ASql, ABinds);
}
