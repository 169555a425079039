#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every question the program puts to the user goes through this interface: message
// boxes and file dialogs. Windows hold a TPrompts* and never call QMessageBox or
// QFileDialog themselves, so tests answer through TRecordingPrompts.
class TPrompts {
public:
    enum class TKind { Information, Warning, Error, Plain };
    enum class TAnswer { Ok, Cancel };

    virtual ~TPrompts() = default;
    // A message box with one OK button.
    virtual void Message(QWidget* AParent, TKind AKind, const QString& AText) = 0;
    // A warning with OK and Cancel; Ok when the user confirms.
    virtual TAnswer Confirm(QWidget* AParent, const QString& AText) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QString OpenFileName(QWidget* AParent, const QString& ACaption,
                                 const QString& AFilter) = 0;
    virtual QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                                 const QString& ASuggested) = 0;
};

// The real dialogs.
class TQtPrompts : public TPrompts {
public:
    void Message(QWidget* AParent, TKind AKind, const QString& AText) override;
    TAnswer Confirm(QWidget* AParent, const QString& AText) override;
    QString OpenFileName(QWidget* AParent, const QString& ACaption,
                         const QString& AFilter) override;
    QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                         const QString& ASuggested) override;
};

// Test double: answers from queues and records every question asked.
class TRecordingPrompts : public TPrompts {
public:
    struct TAsked {
        QString Call; // "Message", "Confirm", "OpenFileName", "SaveFileName"
        TKind Kind = TKind::Plain;
        QString Text;
    };

    void Message(QWidget* AParent, TKind AKind, const QString& AText) override;
    TAnswer Confirm(QWidget* AParent, const QString& AText) override;
    QString OpenFileName(QWidget* AParent, const QString& ACaption,
                         const QString& AFilter) override;
    QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                         const QString& ASuggested) override;

    // Answers given in order; when a queue is empty, Confirm answers Ok and the file
    // dialogs answer "cancelled".
    QList<TAnswer> ConfirmAnswers;
    QStringList FileAnswers;
    QList<TAsked> Asked;
    // Texts of the message boxes shown, in order.
    QStringList Messages() const;
};
