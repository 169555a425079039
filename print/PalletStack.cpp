#include "PalletStack.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

// To the hundredth of a kilogram, as the pallet list weighs a pallet.
double ShownKilograms(double AValue) {
    return std::round(AValue * 100) / 100;
}

QString Kilograms(double AValue) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(ShownKilograms(AValue), 'f', QLocale::FloatingPointShortest);
}

QString Percent(int AValue) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral(" (%1 %)").arg(locale.toString(AValue));
}

// Per cent of a limit from which the pallet counts as having reached it.
const int ReachedShare = 90;

QString LimitReached() {
    return QStringLiteral(" — предел достигнут");
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

std::optional<int> TPalletStack::HeightShare() const {
    if (RowLimit <= 0)
        return std::nullopt;
    return int(std::lround(100.0 * Rows() / RowLimit));
}

std::optional<int> TPalletStack::WeightShare() const {
    if (!WeightLimit || *WeightLimit <= 0)
        return std::nullopt;
    return int(std::lround(100 * ShownKilograms(Weight()) / *WeightLimit));
}

// A limit closes a pallet when the pallet stands near it, nearer than to the other: the
// last pallet of a colour, holding what was left, is closed by neither. The shares are
// compared as they are shown: two limits both printed at 98 % are both named, rather
// than one of them for a difference the reader cannot see.
bool TPalletStack::HeightCloses() const {
    const std::optional<int> height = HeightShare();
    const std::optional<int> weight = WeightShare();
    return !IsEmpty() && height && *height >= ReachedShare && (!weight || *height >= *weight);
}

bool TPalletStack::WeightCloses() const {
    const std::optional<int> height = HeightShare();
    const std::optional<int> weight = WeightShare();
    return !IsEmpty() && weight && *weight >= ReachedShare && (!height || *weight >= *height);
}

QString TPalletStack::HeightText() const {
    if (RowLimit <= 0)
        return QStringLiteral("Высота, листов: %1 (предел не задан)").arg(Rows());
    QString text = QStringLiteral("Высота, листов: %1 из %2").arg(Rows()).arg(RowLimit) +
                   Percent(*HeightShare());
    if (TooTall())
        text += QStringLiteral(" — выше предела");
    else if (HeightCloses())
        text += LimitReached();
    return text;
}

QString TPalletStack::WeightText() const {
    if (!WeightLimit)
        return QStringLiteral("Вес, кг: %1 (предел не задан)").arg(Kilograms(Weight()));
    QString text =
        QStringLiteral("Вес, кг: %1 из %2").arg(Kilograms(Weight()), Kilograms(*WeightLimit));
    if (const std::optional<int> share = WeightShare())
        text += Percent(*share);
    if (TooHeavy())
        text += QStringLiteral(" — тяжелее предела");
    else if (WeightCloses())
        text += LimitReached();
    return text;
}
