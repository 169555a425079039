#pragma once

#include <QList>
#include <QString>
#include <optional>

// One row of a pallet's contents as the stack holds it: SheetsAbreast sheets of
// SheetWidth lie side by side in each layer, Length along the pallet.
struct TStackBand {
    int Length = 0;     // mm, along the pallet
    int SheetWidth = 0; // mm, one sheet across the pallet
    int SheetsAbreast = 1;
    int Sheets = 0;

    // Started layers: 5 sheets at 2 abreast stand 3 high.
    int Rows() const;
    // Across the pallet: the sheets abreast together.
    int RowWidth() const;
    // "2000×500 — 5 шт."
    QString Label() const;
};

// A plain description of one pallet's stack: what the stack drawing shows on screen
// and on paper. It holds values only, so the drawing never reaches a database; the
// window fills it from its grids, the shipping notes from their statements.
class TPalletStack {
public:
    int PalletLength = 0; // mm, as the pallet list gives it
    int PalletWidth = 0;
    QString ColourCode;
    QString ColourName;
    int RowLimit = 0;                  // the material's stack limit; 0 when not known
    std::optional<double> WeightLimit; // the order's pallet limit, kg
    double Weight1m2 = 0;              // kg per m² of the material
    QList<TStackBand> Bands;           // bottom up

    bool IsEmpty() const { return Bands.isEmpty(); }
    int Rows() const;
    double Weight() const;
    bool TooTall() const { return RowLimit > 0 && Rows() > RowLimit; }
    bool TooHeavy() const { return WeightLimit && Weight() > *WeightLimit; }
    // The extent the drawing must hold: the pallet, or a band that overhangs it.
    int Length() const;
    int Width() const;

    // How full the stack is against each limit, in whole per cent as the texts show it;
    // nothing when that limit is not known.
    std::optional<int> HeightShare() const;
    std::optional<int> WeightShare() const;
    // Whether that limit is the one that closes the pallet: its share is the larger of
    // the two known (both when they are equal). An empty pallet is closed by neither.
    bool HeightCloses() const;
    bool WeightCloses() const;

    // "Высота, листов: 36 из 50 (72 %)", "Вес, кг: 981 из 1000 (98 %) — предел
    // достигнут", in the user's locale: a remark names the limit that closes the
    // pallet, or says the stack is over its limit.
    QString HeightText() const;
    QString WeightText() const;
};
