#pragma once

#include <QDateEdit>

// A date box that Tab leaves for the next field, as every other box of a form: an
// operator types the date's digits in one go (each part moves on by itself), and the
// arrow keys still step between day, month and year.
class TFieldDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool ANext) override {
        return QAbstractSpinBox::focusNextPrevChild(ANext);
    }
};
