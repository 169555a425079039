#include "OrderFilter.h"

#include "SqlDialect.h"

TOrderFilter TOrderFilter::ByNumber(const QString& AText) {
    TSqlDialect::RefuseNul(AText);
    TOrderFilter f(TKind::Number);
    f.Number = AText;
    return f;
}
