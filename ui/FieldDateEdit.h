#pragma once

#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <functional>

// A date box that Tab leaves for the next field, as every other box of a form: an
// operator types the date's digits in one go (each part moves on by itself), and the
// arrow keys still step between day, month and year.
class TFieldDateEdit : public QDateEdit {
public:
    explicit TFieldDateEdit(QWidget* AParent = nullptr) : QDateEdit(AParent) { Watch(); }
    TFieldDateEdit(QDate ADate, QWidget* AParent) : QDateEdit(ADate, AParent) { Watch(); }

    // Called when Enter or Return has taken the typed date, as Enter in a search field
    // runs its search. Unset, the key goes on to the form (a dialog's default button).
    std::function<void()> Entered;

protected:
    // A click into a box that has the keyboard already leaves a bare cursor inside a
    // part, and digits typed there would make the part too long and be dropped: the
    // clicked part is selected, so typing replaces it.
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        const bool handled = QDateEdit::eventFilter(AWatched, AEvent);
        if (AWatched == lineEdit() && AEvent->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(AEvent)->button() == Qt::LeftButton &&
            !lineEdit()->hasSelectedText())
            QMetaObject::invokeMethod(
                this, [this] { setSelectedSection(currentSection()); }, Qt::QueuedConnection);
        return handled;
    }
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

private:
    void Watch() { lineEdit()->installEventFilter(this); }
};
