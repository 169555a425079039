#pragma once

#include <QAbstractProxyModel>
#include <QList>
#include <QString>

// One column a grid shows: the result column it takes (matched without regard to
// case, as PostgreSQL hands names back in lower case), its title, its least width in
// pixels (0: none; the column is widened for its title and contents) and whether it
// holds dates, which are shown as the workshop writes them. Only a date column turns
// text into a date: an order numbered "2024-03-15" keeps its number.
struct TGridColumn {
    QString Field;
    QString Title;
    int Width = 0;
    bool Date = false;
};

// Shows a query's result as a grid lists it: only the listed columns, in the listed
// order, under their titles, read-only. A listed column the result lacks stays empty.
// The query model is reset on every open; the columns are matched again each time.
class TGridColumnsModel : public QAbstractProxyModel {
    Q_OBJECT
public:
    // The value a column is sorted by: numbers as numbers, dates as dates whichever
    // backend sent them, NULL as an invalid value.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit TGridColumnsModel(const QList<TGridColumn>& AColumns, QObject* AParent = nullptr);

    void setSourceModel(QAbstractItemModel* ASource) override;
    QModelIndex index(int ARow, int AColumn, const QModelIndex& AParent = {}) const override;
    QModelIndex parent(const QModelIndex& AChild) const override;
    int rowCount(const QModelIndex& AParent = {}) const override;
    int columnCount(const QModelIndex& AParent = {}) const override;
    QModelIndex mapToSource(const QModelIndex& AProxy) const override;
    QModelIndex mapFromSource(const QModelIndex& ASource) const override;
    QVariant data(const QModelIndex& AIndex, int ARole = Qt::DisplayRole) const override;
    QVariant headerData(int ASection, Qt::Orientation AOrientation,
                        int ARole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& AIndex) const override;

    const QList<TGridColumn>& Columns() const { return FColumns; }
    // The source column behind a grid column, or -1 when the result has no such field.
    int SourceColumn(int AColumn) const;

private:
    void SourceChanged();
    void Remap();

    QList<TGridColumn> FColumns;
    QList<int> FMap;
    QList<QMetaObject::Connection> FSourceConnections;
};
