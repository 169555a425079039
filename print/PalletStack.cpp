#include "PalletStack.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

QString Kilograms(double AValue) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(std::round(AValue * 100) / 100, 'f', QLocale::FloatingPointShortest);
}

} // namespace

int TStackBand::Rows() const {
    if (Sheets <= 0)
        return 0;
    const int abreast = std::max(1, SheetsAbreast);
    return (Sheets + abreast - 1) / abreast;
}

int TStackBand::RowWidth() const {
    return SheetWidth * std::max(1, SheetsAbreast);
}

QString TStackBand::Label() const {
    return QStringLiteral("%1×%2 — %3 шт.").arg(Length).arg(SheetWidth).arg(Sheets);
}

int TPalletStack::Rows() const {
    int rows = 0;
    for (const TStackBand& b : Bands)
        rows += b.Rows();
    return rows;
}

double TPalletStack::Weight() const {
    // As the pallet list weighs a pallet: the sheets' area times the material's weight.
    double w = 0;
    for (const TStackBand& b : Bands)
        w += double(b.Length) * double(b.SheetWidth) * double(b.Sheets) * Weight1m2 * 1e-6;
    return w;
}

int TPalletStack::Length() const {
    int l = PalletLength;
    for (const TStackBand& b : Bands)
        l = std::max(l, b.Length);
    return l;
}

int TPalletStack::Width() const {
    int w = PalletWidth;
    for (const TStackBand& b : Bands)
        w = std::max(w, b.RowWidth());
    return w;
}

QString TPalletStack::HeightText() const {
    if (RowLimit <= 0)
        return QStringLiteral("Высота, листов: %1 (предел не задан)").arg(Rows());
    QString text = QStringLiteral("Высота, листов: %1 из %2").arg(Rows()).arg(RowLimit);
    if (TooTall())
        text += QStringLiteral(" — выше предела");
    return text;
}

QString TPalletStack::WeightText() const {
    if (!WeightLimit)
        return QStringLiteral("Вес, кг: %1 (предел не задан)").arg(Kilograms(Weight()));
    QString text =
        QStringLiteral("Вес, кг: %1 из %2").arg(Kilograms(Weight()), Kilograms(*WeightLimit));
    if (TooHeavy())
        text += QStringLiteral(" — тяжелее предела");
    return text;
}
