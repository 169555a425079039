#include "GridSortModel.h"

#include "GridColumnsModel.h"

#include <QDate>
#include <QLocale>

namespace {

bool IsNumber(const QVariant& AValue) {
    switch (AValue.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// Kinds of value in their sorting order: a column mixing them (SQLite keeps what it
// is given) still sorts the same way every time.
int Rank(const QVariant& AValue) {
    if (!AValue.isValid() || AValue.isNull())
        return 0;
    if (IsNumber(AValue))
        return 1;
    if (AValue.typeId() == QMetaType::QDate)
        return 2;
    return 3;
}

} // namespace

TGridSortModel::TGridSortModel(QObject* AParent)
    : QSortFilterProxyModel(AParent), FCollator(QLocale(QLocale::Russian, QLocale::Russia)) {
    FCollator.setCaseSensitivity(Qt::CaseInsensitive);
    FCollator.setNumericMode(true);
    setSortRole(TGridColumnsModel::SortRole);
    setDynamicSortFilter(true);
}

QVariant TGridSortModel::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const {
    if (AOrientation == Qt::Vertical && ARole == Qt::DisplayRole)
        return ASection + 1;
    return QSortFilterProxyModel::headerData(ASection, AOrientation, ARole);
}

bool TGridSortModel::lessThan(const QModelIndex& ALeft, const QModelIndex& ARight) const {
    const QVariant l = ALeft.data(sortRole());
    const QVariant r = ARight.data(sortRole());
    const int lr = Rank(l), rr = Rank(r);
    if (lr != rr)
        return lr < rr;
    switch (lr) {
    case 0:
        return false;
    case 1:
        if (l.typeId() == QMetaType::Double || r.typeId() == QMetaType::Double ||
            l.typeId() == QMetaType::Float || r.typeId() == QMetaType::Float)
            return l.toDouble() < r.toDouble();
        return l.toLongLong() < r.toLongLong();
    case 2:
        return l.toDate() < r.toDate();
    default: {
        const int c = FCollator.compare(l.toString(), r.toString());
        // Texts a reader takes for equal ("a" and "A") still get one fixed order.
        return c != 0 ? c < 0 : l.toString() < r.toString();
    }
    }
}
