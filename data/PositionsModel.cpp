#include "PositionsModel.h"

#include "PartRemark.h"

#include <QSqlRecord>

int TPositionsModel::columnCount(const QModelIndex& AParent) const {
    const int own = TStaticQueryModel::columnCount(AParent);
    return AParent.isValid() || own == 0 ? own : own + 1;
}

QVariant TPositionsModel::data(const QModelIndex& AIndex, int ARole) const {
    if (!AIndex.isValid())
        return {};
    // Until the rows are arranged (or once the model is closed) they stand as fetched.
    const int row = AIndex.row();
    const bool arranged = FShown.size() == TStaticQueryModel::rowCount();
    const int own = TStaticQueryModel::columnCount();
    if (AIndex.column() == own) {
        if (!arranged || (ARole != Qt::DisplayRole && ARole != Qt::EditRole))
            return {};
        return FOrdered.value(row);
    }
    return TStaticQueryModel::data(
        TStaticQueryModel::index(arranged ? FShown.value(row) : row, AIndex.column()), ARole);
}

QVariant TPositionsModel::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const {
    if (AOrientation == Qt::Horizontal && ASection == TStaticQueryModel::columnCount() &&
        ASection > 0)
        return ARole == Qt::DisplayRole ? QVariant(OrderedColumn()) : QVariant();
    return TStaticQueryModel::headerData(ASection, AOrientation, ARole);
}

void TPositionsModel::Arrange() {
    FShown.clear();
    FOrdered.clear();
    const int count = TStaticQueryModel::rowCount();
    // Read as the statement lists them (record(row) would read them through data()).
    const QSqlRecord fields = record();
    const auto value = [this, &fields](int ARow, const char* AField) {
        return TStaticQueryModel::data(
            TStaticQueryModel::index(ARow, fields.indexOf(QLatin1String(AField))));
    };
    QList<PartRemark::TStoredRow> stored;
    QList<QVariant> quantity;
    stored.reserve(count);
    quantity.reserve(count);
    for (int i = 0; i < count; ++i) {
        stored << PartRemark::TStoredRow{
            value(i, "ID").toLongLong(), value(i, "Width").toLongLong(),
            value(i, "Height").toLongLong(), value(i, "ColorID").toLongLong(),
            value(i, "Comment").toString()};
        quantity << value(i, "Quantity");
    }
    // The statement lists the rows in key order, so a part's source comes before it and
    // has its own position already.
    const QList<int> sources = PartRemark::Sources(stored);
    QList<int> root(count);
    QList<QList<int>> under(count);
    QList<qint64> ordered(count, 0);
    QList<bool> known(count, false);
    for (int i = 0; i < count; ++i) {
        root[i] = sources[i] < 0 ? i : root[sources[i]];
        under[root[i]] << i;
        if (!quantity[i].isNull()) {
            ordered[root[i]] += quantity[i].toLongLong();
            known[root[i]] = true;
        }
    }
    FShown.reserve(count);
    FOrdered.reserve(count);
    for (int i = 0; i < count; ++i)
        for (const int row : std::as_const(under[i])) {
            FShown << row;
            FOrdered << (row == i && known[i] ? QVariant(ordered[i]) : QVariant());
        }
}
