#pragma once

#include <QCollator>
#include <QSortFilterProxyModel>

// The order a grid shows its rows in when the user clicks a column title: numbers
// and dates by value, texts as a Russian reader orders them (digits by their value,
// "П-9" before "П-10"), empty cells first. Rows that compare equal keep the query's
// order, and with no column chosen the query's order is shown. The row indicator
// counts the rows from the top, whichever order they are in.
class TGridSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TGridSortModel(QObject* AParent = nullptr);

    QVariant headerData(int ASection, Qt::Orientation AOrientation,
                        int ARole = Qt::DisplayRole) const override;

protected:
    bool lessThan(const QModelIndex& ALeft, const QModelIndex& ARight) const override;

private:
    QCollator FCollator;
};
