#include "GridColumnsModel.h"

#include <QDate>
#include <QRegularExpression>

TGridColumnsModel::TGridColumnsModel(const QList<TGridColumn>& AColumns, QObject* AParent)
    : QAbstractProxyModel(AParent), FColumns(AColumns), FMap(AColumns.size(), -1) {}

void TGridColumnsModel::setSourceModel(QAbstractItemModel* ASource) {
    beginResetModel();
    for (const QMetaObject::Connection& c : FSourceConnections)
        disconnect(c);
    FSourceConnections.clear();
    QAbstractProxyModel::setSourceModel(ASource);
    if (ASource) {
        // Any change of shape re-reads the whole result: the grids show static results
        // that change only by being opened again, so a full reset costs nothing extra.
        auto reset = [this] { SourceChanged(); };
        FSourceConnections
            << connect(ASource, &QAbstractItemModel::modelReset, this, reset)
            << connect(ASource, &QAbstractItemModel::rowsInserted, this, reset)
            << connect(ASource, &QAbstractItemModel::rowsRemoved, this, reset)
            << connect(ASource, &QAbstractItemModel::columnsInserted, this, reset)
            << connect(ASource, &QAbstractItemModel::columnsRemoved, this, reset)
            << connect(ASource, &QAbstractItemModel::layoutChanged, this, reset)
            << connect(ASource, &QAbstractItemModel::headerDataChanged, this, reset)
            << connect(ASource, &QAbstractItemModel::dataChanged, this,
                       [this](const QModelIndex& ATopLeft, const QModelIndex& ABottomRight) {
                           emit dataChanged(index(ATopLeft.row(), 0),
                                            index(ABottomRight.row(), columnCount() - 1));
                       });
    }
    Remap();
    endResetModel();
}

void TGridColumnsModel::SourceChanged() {
    beginResetModel();
    Remap();
    endResetModel();
}

void TGridColumnsModel::Remap() {
    FMap.fill(-1);
    const QAbstractItemModel* source = sourceModel();
    if (!source)
        return;
    const int count = source->columnCount();
    for (int i = 0; i < FColumns.size(); ++i) {
        for (int s = 0; s < count; ++s) {
            const QString name = source->headerData(s, Qt::Horizontal, Qt::DisplayRole).toString();
            if (name.compare(FColumns[i].Field, Qt::CaseInsensitive) == 0) {
                FMap[i] = s;
                break;
            }
        }
    }
}

int TGridColumnsModel::SourceColumn(int AColumn) const {
    return AColumn >= 0 && AColumn < FMap.size() ? FMap[AColumn] : -1;
}

QModelIndex TGridColumnsModel::index(int ARow, int AColumn, const QModelIndex& AParent) const {
    if (AParent.isValid() || ARow < 0 || AColumn < 0 || ARow >= rowCount() ||
        AColumn >= columnCount())
        return {};
    return createIndex(ARow, AColumn);
}

QModelIndex TGridColumnsModel::parent(const QModelIndex&) const {
    return {};
}

int TGridColumnsModel::rowCount(const QModelIndex& AParent) const {
    if (AParent.isValid() || !sourceModel())
        return 0;
    return sourceModel()->rowCount();
}

int TGridColumnsModel::columnCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : int(FColumns.size());
}

QModelIndex TGridColumnsModel::mapToSource(const QModelIndex& AProxy) const {
    if (!AProxy.isValid() || !sourceModel())
        return {};
    const int column = SourceColumn(AProxy.column());
    if (column < 0)
        return {};
    return sourceModel()->index(AProxy.row(), column);
}

QModelIndex TGridColumnsModel::mapFromSource(const QModelIndex& ASource) const {
    if (!ASource.isValid())
        return {};
    const int column = int(FMap.indexOf(ASource.column()));
    if (column < 0)
        return {};
    return index(ASource.row(), column);
}

namespace {

// A date column's value as a date: PostgreSQL sends dates, SQLite "yyyy-mm-dd" text.
QDate AsDate(const QVariant& AValue) {
    if (AValue.typeId() == QMetaType::QDate)
        return AValue.toDate();
    if (AValue.typeId() == QMetaType::QDateTime)
        return AValue.toDateTime().date();
    if (AValue.typeId() == QMetaType::QString) {
        static const QRegularExpression isoDate(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}"));
        const QString text = AValue.toString();
        if (isoDate.match(text).hasMatch())
            return QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    }
    return {};
}

} // namespace

QVariant TGridColumnsModel::data(const QModelIndex& AIndex, int ARole) const {
    const QModelIndex source = mapToSource(AIndex);
    if (!source.isValid())
        return {};
    const QVariant value = sourceModel()->data(source, Qt::DisplayRole);
    const bool dateColumn = FColumns[AIndex.column()].Date;
    switch (ARole) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (dateColumn) {
            const QDate d = AsDate(value);
            if (d.isValid())
                return d.toString(QStringLiteral("dd.MM.yyyy"));
        }
        return value;
    case SortRole:
        if (value.isNull())
            return {};
        if (dateColumn) {
            const QDate d = AsDate(value);
            if (d.isValid())
                return d;
        }
        return value;
    case Qt::TextAlignmentRole:
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        }
    default:
        return sourceModel()->data(source, ARole);
    }
}

QVariant TGridColumnsModel::headerData(int ASection, Qt::Orientation AOrientation,
                                       int ARole) const {
    // A title too long for its column is read in full in its tooltip.
    if (ARole != Qt::DisplayRole && !(ARole == Qt::ToolTipRole && AOrientation == Qt::Horizontal))
        return {};
    if (AOrientation == Qt::Vertical)
        return ASection + 1;
    if (ASection < 0 || ASection >= FColumns.size())
        return {};
    return FColumns[ASection].Title;
}

Qt::ItemFlags TGridColumnsModel::flags(const QModelIndex& AIndex) const {
    if (!AIndex.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
