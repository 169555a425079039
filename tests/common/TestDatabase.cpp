#include "TestDatabase.h"

#include "ScratchPostgres.h"

#include "Errors.h"
#include "SqlRun.h"

#include <QSqlRecord>

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace TestDb {

namespace {

TScratchServer TestServer() {
    return TScratchServer::FromEnv(QStringLiteral("GRAVELON_TEST_PG"));
}

QString PgDatabaseName() {
    QString name = QCoreApplication::applicationName().toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9_]")), QStringLiteral("_"));
    // Several checkouts may test against one server at once; each names its own set.
    const QString prefix = QString::fromLocal8Bit(qgetenv("GRAVELON_TEST_PG_DBPREFIX"));
    return QStringLiteral("gravelon_t_") + prefix + name;
}

} // namespace

bool IsUnavailable(const QString& AWhy) {
    return AWhy.startsWith(QStringLiteral("PostgreSQL недоступен"));
}

qlonglong LastId(TDataModule& AData, const QString& ATable) {
    return AData.OpenSql(QStringLiteral("select max(ID) from ") + ATable)
        .value(0)
        .value(0)
        .toLongLong();
}

qlonglong Scalar(TDataModule& AData, const QString& ASql, const QVariantMap& ABinds) {
    return AData.OpenSql(ASql, ABinds).value(0).value(0).toLongLong();
}

int Count(TDataModule& AData, const QString& ATable) {
    return int(Scalar(AData, QStringLiteral("select count(*) from ") + ATable));
}

qlonglong AddOrder(TDataModule& AData, const QString& ANumber, const QDate& ADate, qlonglong AMatId,
                   const QVariant& AMaxW, const QList<TPos>& APositions,
                   QList<qlonglong>* APositionIds, const QString& ACustomer) {
    QVariant customer = SqlRun::Value(AData.Connection(),
                                      QStringLiteral("select ID from Customers where Name = :n"),
                                      {{QStringLiteral(":n"), ACustomer}});
    if (!customer.isValid()) {
        AData.ExecSql(QStringLiteral("insert into Customers (Name, NameSravn) values (:n, :s)"),
                      {{QStringLiteral(":n"), ACustomer},
                       {QStringLiteral(":s"), ACustomer.toLower().remove(QLatin1Char(' '))}});
        customer = LastId(AData, QStringLiteral("Customers"));
    }
    AData.ExecSql(
        QStringLiteral("insert into Applicates (Number, Date, CustomerID, MatID, Comment, "
                       "MaxW) values (:n, :d, :c, :m, :cm, :w)"),
        {{QStringLiteral(":n"), ANumber},
         {QStringLiteral(":d"), ADate.toString(QStringLiteral("yyyy-MM-dd"))},
         {QStringLiteral(":c"), customer},
         {QStringLiteral(":m"), AMatId},
         {QStringLiteral(":cm"), QStringLiteral("тест")},
         {QStringLiteral(":w"),
          AMaxW.isValid() ? AMaxW : QVariant(QMetaType::fromType<double>())}});
    const qlonglong order = LastId(AData, QStringLiteral("Applicates"));
    for (const TPos& p : APositions) {
        AData.ExecSql(
            QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, Height, "
                           "ColorID, Quantity, Comment) values (:a, :w, :h, :c, :q, :cm)"),
            {{QStringLiteral(":a"), order},
             {QStringLiteral(":w"), p.Width},
             {QStringLiteral(":h"), p.Height},
             {QStringLiteral(":c"), p.ColorID},
             {QStringLiteral(":q"), p.Quantity},
             {QStringLiteral(":cm"), p.Comment.isNull() ? QVariant(QMetaType::fromType<QString>())
                                                        : QVariant(p.Comment)}});
        if (APositionIds)
            APositionIds->append(LastId(AData, QStringLiteral("ApplicatePositions")));
    }
    return order;
}

qlonglong AddPallet(TDataModule& AData, qlonglong AColorId) {
    AData.ExecSql(QStringLiteral("insert into Palletes (ColorID) values (:c)"),
                  {{QStringLiteral(":c"), AColorId}});
    return LastId(AData, QStringLiteral("Palletes"));
}

qlonglong AddSolution(TDataModule& AData, qlonglong AApplicateId, qlonglong APosId,
                      qlonglong APalleteId, qlonglong AQuantityInRow, qlonglong AQuantity,
                      const QVariant& AComment) {
    AData.ExecSql(
        QStringLiteral("insert into Solutions (ApplicateID, PosID, PalleteID, "
                       "QuantityInRow, Quantity, Comment) values (:a, :p, :l, :r, :q, :c)"),
        {{QStringLiteral(":a"), AApplicateId},
         {QStringLiteral(":p"), APosId},
         {QStringLiteral(":l"), APalleteId},
         {QStringLiteral(":r"), AQuantityInRow},
         {QStringLiteral(":q"), AQuantity},
         {QStringLiteral(":c"),
          AComment.isValid() ? AComment : QVariant(QMetaType::fromType<QString>())}});
    return LastId(AData, QStringLiteral("Solutions"));
}

QStringList Dump(TDataModule& AData, const QString& ATable) {
    QStringList lines;
    for (const QSqlRecord& r : AData.OpenSql(QStringLiteral("select * from ") + ATable +
                                             QStringLiteral(" order by ID"))) {
        QStringList cells;
        for (int i = 0; i < r.count(); ++i) {
            const QVariant v = r.value(i);
            if (v.isNull())
                cells << QStringLiteral("NULL");
            else if (v.typeId() == QMetaType::Double)
                cells << QString::number(v.toDouble(), 'g', 12);
            else
                cells << v.toString();
        }
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

bool PostgresRequired() {
    return qgetenv("GRAVELON_REQUIRE_PG") == "1";
}

void AddBackendRows() {
    QTest::addColumn<TBackend>("backend");
    QTest::newRow("sqlite") << TBackend::Sqlite;
    QTest::newRow("postgres") << TBackend::Postgres;
}

bool Fresh(TBackend ABackend, TFreshDatabase* AOut, QString* AWhy) {
    AOut->Temp = std::make_unique<QTemporaryDir>();
    AOut->Folder = AOut->Temp->path();
    if (ABackend == TBackend::Sqlite) {
        AOut->Settings = {QString(), QStringLiteral("test.db"), QString(), QString()};
    } else {
        // The database belongs to this executable; tests in other executables run in
        // parallel on databases of their own.
        const QString name = PgDatabaseName();
        const TScratchServer server = TestServer();
        bool unreachable = false;
        QString why;
        if (!server.Reset(name, &why, &unreachable)) {
            *AWhy = (unreachable ? QStringLiteral("PostgreSQL недоступен: ")
                                 : QStringLiteral("PostgreSQL: ")) +
                    why;
            return false;
        }
        AOut->Settings = server.Settings(name);
    }
    AOut->IniPath = QDir(AOut->Folder).filePath(QStringLiteral("example.ini"));
    const TIniFile ini(AOut->IniPath);
    GravelonSettings::WriteConnection(ini, AOut->Settings);
    GravelonSettings::WriteAutoCalc(ini, false);
    return true;
}

bool Connect(TBackend ABackend, TConnected* AOut, QString* AWhy) {
    if (!Fresh(ABackend, &AOut->Db, AWhy))
        return false;
    AOut->Data = std::make_unique<TDataModule>();
    try {
        AOut->Data->Connect(AOut->Db.Settings, AOut->Db.Folder);
    } catch (const EGravelonError& e) {
        *AWhy = e.Message();
        return false;
    }
    return true;
}

} // namespace TestDb
