#pragma once

#include "PalletStack.h"

#include <QWidget>
#include <optional>

// The stack drawing of the shown pallet beside the contents grid; it fills whatever
// room the window gives it. Empty while no pallet is shown.
class TStackView : public QWidget {
    Q_OBJECT
public:
    explicit TStackView(QWidget* AParent = nullptr);

    void SetStack(std::optional<TPalletStack> AStack);
    const std::optional<TPalletStack>& Stack() const { return FStack; }
    // The box the drawing takes inside the widget.
    QRectF DrawingBox() const;
    QFont LabelFont() const;

    QSize sizeHint() const override { return {340, 260}; }
    QSize minimumSizeHint() const override { return {160, 140}; }

protected:
    void paintEvent(QPaintEvent* AEvent) override;

private:
    std::optional<TPalletStack> FStack;
};
