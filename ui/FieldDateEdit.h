#pragma once

#include <QDateEdit>
#include <QKeyEvent>
#include <functional>

// A date box that Tab leaves for the next field, as every other box of a form: an
// operator types the date's digits in one go (each part moves on by itself), and the
// arrow keys still step between day, month and year.
class TFieldDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

    // Called when Enter or Return has taken the typed date, as Enter in a search field
    // runs its search. Unset, the key goes on to the form (a dialog's default button).
    std::function<void()> Entered;

protected:
    bool focusNextPrevChild(bool ANext) override {
        return QAbstractSpinBox::focusNextPrevChild(ANext);
    }
    void keyPressEvent(QKeyEvent* AEvent) override {
        QDateEdit::keyPressEvent(AEvent);
        if ((AEvent->key() == Qt::Key_Return || AEvent->key() == Qt::Key_Enter) && Entered) {
            AEvent->accept();
            Entered();
        }
    }
};
