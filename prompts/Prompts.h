#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QWidget;

// Every question the program puts to the user goes through this interface: message
// boxes, file dialogs and the print preview. Windows hold a TPrompts* and never call QMessageBox or
// QFileDialog themselves, so tests answer through TRecordingPrompts. The real file
// dialogs come from FileDialogs, which never opens the files it lists.
class TPrompts {
public:
    enum class TKind { Information, Warning, Error, Plain };
    enum class TAnswer { Ok, Cancel };

    virtual ~TPrompts() = default;
    // A message box with one OK button.
    virtual void Message(QWidget* AParent, TKind AKind, const QString& AText) = 0;
    // A warning with OK and Cancel; Ok when the user confirms.
    virtual TAnswer Confirm(QWidget* AParent, const QString& AText) = 0;
    // A message box with the buttons AButtons, the last one also Esc's; the index of the
    // button pressed, -1 when the box was closed otherwise.
    virtual int Choose(QWidget* AParent, TKind AKind, const QString& AText,
                       const QStringList& AButtons) = 0;
    // A text the user may want to keep or pass on (a report): shown read-only in a
    // window whose text can be selected and copied, closed with OK.
    virtual void ShowText(QWidget* AParent, const QString& ACaption, const QString& AText) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QString OpenFileName(QWidget* AParent, const QString& ACaption,
                                 const QString& AFilter) = 0;
    virtual QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                                 const QString& ASuggested) = 0;
    // The print preview with the system's printers, on A4 until the user picks other
    // paper or a printer. APaint draws every page onto the device it is handed, as often
    // as the preview needs it; it must not fail. True when the user printed.
    using TPaintPages = std::function<void(QPagedPaintDevice*)>;
    virtual bool PrintPreview(QWidget* AParent, const QString& ACaption,
                              const TPaintPages& APaint) = 0;
};

// The real dialogs.
class TQtPrompts : public TPrompts {
public:
    void Message(QWidget* AParent, TKind AKind, const QString& AText) override;
    TAnswer Confirm(QWidget* AParent, const QString& AText) override;
    int Choose(QWidget* AParent, TKind AKind, const QString& AText,
               const QStringList& AButtons) override;
    void ShowText(QWidget* AParent, const QString& ACaption, const QString& AText) override;
    QString OpenFileName(QWidget* AParent, const QString& ACaption,
                         const QString& AFilter) override;
    QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                         const QString& ASuggested) override;
    bool PrintPreview(QWidget* AParent, const QString& ACaption,
                      const TPaintPages& APaint) override;
};

// Test double: answers from queues and records every question asked.
class TRecordingPrompts : public TPrompts {
public:
    struct TAsked {
        // "Message", "Confirm", "Choose", "ShowText", "OpenFileName", "SaveFileName",
        // "PrintPreview"
        QString Call;
        TKind Kind = TKind::Plain;
        QString Text;
        QString Caption;     // of ShowText
        QStringList Buttons; // of Choose
        QString Suggested;   // of SaveFileName: the file the dialog proposes
    };

    void Message(QWidget* AParent, TKind AKind, const QString& AText) override;
    TAnswer Confirm(QWidget* AParent, const QString& AText) override;
    int Choose(QWidget* AParent, TKind AKind, const QString& AText,
               const QStringList& AButtons) override;
    void ShowText(QWidget* AParent, const QString& ACaption, const QString& AText) override;
    QString OpenFileName(QWidget* AParent, const QString& ACaption,
                         const QString& AFilter) override;
    QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                         const QString& ASuggested) override;
    // Paints the pages once, into PreviewPdf when that is set (A4, as the preview
    // starts), and answers from PreviewAnswers (empty: closed without printing).
    bool PrintPreview(QWidget* AParent, const QString& ACaption,
                      const TPaintPages& APaint) override;

    // Answers given in order; when a queue is empty, Confirm answers Ok, Choose as if
    // the box was closed (-1) and the file dialogs answer "cancelled".
    QList<TAnswer> ConfirmAnswers;
    QList<int> ChooseAnswers;
    QStringList FileAnswers;
    QList<bool> PreviewAnswers;
    QString PreviewPdf;
    QList<TAsked> Asked;
    // Texts of the message boxes shown (Message and Choose), in order.
    QStringList Messages() const;
    // Texts shown by ShowText, in order.
    QStringList Texts() const;
};
