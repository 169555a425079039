#include "CalculationEngine.h"

#include "CalculationRefusal.h"
#include "CalculationSession.h"
#include "EngineValues.h"
#include "SqlRun.h"

#include <QVariant>

namespace {

const char* const CanceledMessage = "Расчет прерван пользователем";

} // namespace

const QString TPalletCalculationEngine::OrderChangedMessage =
    QStringLiteral("Текущая заявка заменена на другом рабочем месте, расчет не выполнен");

TPalletCalculationEngine::TPalletCalculationEngine(const QSqlDatabase& AConnection)
    : FConnection(AConnection),
      FDialect(TSqlDialect::Of(AConnection)) {}

void TPalletCalculationEngine::Execute() {
    TCalculationSession session(FConnection, FDialect, FShownOrder, FStatementCount,
                                FReplaceLoaded);
    CheckOrderCanBeCalculated();
    SplitLargePositions();
    InitialDistribution();
    SplitSourcePallets();
    MoveWholePallets();
    RefinePalletSizes();
    session.Finish([this](const QString& AStage, int APosition, int AMax) {
        ReportProgress(AStage, APosition, AMax);
    });
}

void TPalletCalculationEngine::ReportProgress(const QString& AStage, int APosition, int AMax) {
    if (OnProgress)
        OnProgress(AStage, APosition, AMax);
    CheckCanceled();
}

void TPalletCalculationEngine::CheckCanceled() {
    if (OnCancel && OnCancel())
        throw ECalculationCanceled(QString::fromUtf8(CanceledMessage));
}

void TPalletCalculationEngine::ExecStatement(const QString& ASql) {
    CheckCanceled();
    ++FStatementCount;
    SqlRun::Exec(FConnection, ASql);
    CheckCanceled();
}

qint64 TPalletCalculationEngine::QueryInteger(const QString& ASql, qint64 ADefault) {
    CheckCanceled();
    ++FStatementCount;
    const QVariant v = SqlRun::Value(FConnection, ASql);
    if (!v.isValid() || v.isNull())
        return ADefault;
    return EngineValues::ToInteger(v, ASql);
}

double TPalletCalculationEngine::QueryFloat(const QString& ASql, double ADefault) {
    CheckCanceled();
    ++FStatementCount;
    const QVariant v = SqlRun::Value(FConnection, ASql);
    if (!v.isValid() || v.isNull())
        return ADefault;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("Ошибка базы данных: значение «%1» не является числом")
                                 .arg(v.toString()),
                             ASql);
    return d;
}

QList<QSqlRecord> TPalletCalculationEngine::OpenSnapshot(const QString& ASql) {
    ++FStatementCount;
    return SqlRun::Open(FConnection, ASql);
}

void TPalletCalculationEngine::CheckOrderCanBeCalculated() {
    const QList<QSqlRecord> rows = OpenSnapshot(QStringLiteral(
        "select ap.ID, ap.Width, ap.Height, ap.Quantity, ap.ColorID, a.ID OrderID, a.Number, "
        "a.MaxW, m.Weight1m2, m.MaxH "
        "from ApplicatePositions ap inner join Applicates a on a.ID = ap.ApplicateID "
        "left join Materials m on m.ID = a.MatID order by ap.ID"));
    QList<TRefusalRow> check;
    check.reserve(rows.size());
    for (const QSqlRecord& r : rows) {
        TRefusalRow c;
        c.PositionId = EngineValues::FieldInteger(r, QStringLiteral("ID"));
        c.OrderId = EngineValues::FieldInteger(r, QStringLiteral("OrderID"));
        c.OrderNumber = EngineValues::FieldText(r, QStringLiteral("Number"));
        c.MaxW = EngineValues::FieldOptionalFloat(r, QStringLiteral("MaxW"));
        c.Weight1m2 = EngineValues::FieldOptionalFloat(r, QStringLiteral("Weight1m2"));
        c.Width = EngineValues::FieldOptionalInteger(r, QStringLiteral("Width"));
        c.Height = EngineValues::FieldOptionalInteger(r, QStringLiteral("Height"));
        c.Quantity = EngineValues::FieldOptionalInteger(r, QStringLiteral("Quantity"));
        c.ColorId = EngineValues::FieldOptionalInteger(r, QStringLiteral("ColorID"));
        c.MaxH = EngineValues::FieldOptionalInteger(r, QStringLiteral("MaxH"));
        check << c;
    }
    CalculationRefusal::Check(check);
}
