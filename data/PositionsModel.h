#pragma once

#include "SqlRun.h"

#include <QList>

// The positions of an order as the operator reads them: each position of the customer's
// followed by the parts a calculation split off it (and off those parts), in key order,
// and a column Ordered with the sheets the customer ordered, its own quantity and its
// parts' together. A part's Ordered is empty: its sheets are counted in its position.
class TPositionsModel : public TStaticQueryModel {
    Q_OBJECT
public:
    using TStaticQueryModel::TStaticQueryModel;

    static QString OrderedColumn() { return QStringLiteral("Ordered"); }

    int columnCount(const QModelIndex& AParent = {}) const override;
    QVariant data(const QModelIndex& AIndex, int ARole = Qt::DisplayRole) const override;
    QVariant headerData(int ASection, Qt::Orientation AOrientation,
                        int ARole = Qt::DisplayRole) const override;

protected:
    void Arrange() override;

private:
    // The statement's row shown at each row, and what the customer ordered there.
    QList<int> FShown;
    QList<QVariant> FOrdered;
};
