#include "Prompts.h"

#include "FileDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QVBoxLayout>

void TQtPrompts::Message(QWidget* AParent, TKind AKind, const QString& AText) {
    const QString title = QStringLiteral("Гравелон");
    switch (AKind) {
    case TKind::Information:
        QMessageBox::information(AParent, title, AText);
        break;
    case TKind::Warning:
        QMessageBox::warning(AParent, title, AText);
        break;
    case TKind::Error:
        QMessageBox::critical(AParent, title, AText);
        break;
    case TKind::Plain: {
        QMessageBox box(QMessageBox::NoIcon, title, AText, QMessageBox::Ok, AParent);
        box.exec();
        break;
    }
    }
}

TPrompts::TAnswer TQtPrompts::Confirm(QWidget* AParent, const QString& AText) {
    const auto b = QMessageBox::warning(AParent, QStringLiteral("Гравелон"), AText,
                                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    return b == QMessageBox::Ok ? TAnswer::Ok : TAnswer::Cancel;
}

int TQtPrompts::Choose(QWidget* AParent, TKind AKind, const QString& AText,
                       const QStringList& AButtons) {
    const QMessageBox::Icon icon = AKind == TKind::Information ? QMessageBox::Information
                                   : AKind == TKind::Warning   ? QMessageBox::Warning
                                   : AKind == TKind::Error     ? QMessageBox::Critical
                                                               : QMessageBox::NoIcon;
    QMessageBox box(icon, QStringLiteral("Гравелон"), AText, QMessageBox::NoButton, AParent);
    QList<QAbstractButton*> buttons;
    for (const QString& text : AButtons)
        buttons << box.addButton(text, QMessageBox::ActionRole);
    if (!buttons.isEmpty()) {
        box.setEscapeButton(buttons.last());
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.last()));
    }
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

void TQtPrompts::ShowText(QWidget* AParent, const QString& ACaption, const QString& AText) {
    QDialog dialog(AParent);
    dialog.setObjectName(QStringLiteral("TextDialog"));
    dialog.setWindowTitle(ACaption);
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("TextView"));
    // Read-only, yet selectable and copyable with the mouse and the keyboard.
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Long causes wrap at the window's edge rather than run off it.
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QString plain = AText;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text->setPlainText(plain);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(760, 360);
    text->setFocus();
    dialog.exec();
}

QString TQtPrompts::OpenFileName(QWidget* AParent, const QString& ACaption,
                                 const QString& AFilter) {
    return FileDialogs::ChooseOpen(AParent, ACaption, AFilter);
}

QString TQtPrompts::SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                                 const QString& ASuggested) {
    return FileDialogs::ChooseSave(AParent, ACaption, AFilter, ASuggested);
}

bool TQtPrompts::PrintPreview(QWidget* AParent, const QString& ACaption,
                              const TPaintPages& APaint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintPreviewDialog dialog(&printer, AParent);
    dialog.setObjectName(QStringLiteral("PrintPreviewDialog"));
    dialog.setProperty("helpPage", QStringLiteral("paper.html")); // THelpWindow::PageProperty
    dialog.setWindowTitle(ACaption);
    // The pages are painted when the preview opens, again when its page setup changes
    // and once more for the printer: seconds for an order of thousands of pallets, so
    // the cursor says the program is working.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&APaint](QPrinter* APrinter) {
                         QApplication::setOverrideCursor(Qt::WaitCursor);
                         const auto restore =
                             qScopeGuard([] { QApplication::restoreOverrideCursor(); });
                         APaint(APrinter);
                     });
    return dialog.exec() == QDialog::Accepted;
}

void TRecordingPrompts::Message(QWidget*, TKind AKind, const QString& AText) {
    Asked.append({QStringLiteral("Message"), AKind, AText, {}, {}, {}});
}

TPrompts::TAnswer TRecordingPrompts::Confirm(QWidget*, const QString& AText) {
    Asked.append({QStringLiteral("Confirm"), TKind::Warning, AText, {}, {}, {}});
    return ConfirmAnswers.isEmpty() ? TAnswer::Ok : ConfirmAnswers.takeFirst();
}

int TRecordingPrompts::Choose(QWidget*, TKind AKind, const QString& AText,
                              const QStringList& AButtons) {
    Asked.append({QStringLiteral("Choose"), AKind, AText, {}, AButtons, {}});
    return ChooseAnswers.isEmpty() ? -1 : ChooseAnswers.takeFirst();
}

void TRecordingPrompts::ShowText(QWidget*, const QString& ACaption, const QString& AText) {
    Asked.append({QStringLiteral("ShowText"), TKind::Plain, AText, ACaption, {}, {}});
}

QString TRecordingPrompts::OpenFileName(QWidget*, const QString& ACaption, const QString&) {
    Asked.append({QStringLiteral("OpenFileName"), TKind::Plain, ACaption, {}, {}, {}});
    return FileAnswers.isEmpty() ? QString() : FileAnswers.takeFirst();
}

QString TRecordingPrompts::SaveFileName(QWidget*, const QString& ACaption, const QString&,
                                        const QString& ASuggested) {
    Asked.append({QStringLiteral("SaveFileName"), TKind::Plain, ACaption, {}, {}, ASuggested});
    return FileAnswers.isEmpty() ? QString() : FileAnswers.takeFirst();
}

bool TRecordingPrompts::PrintPreview(QWidget*, const QString& ACaption, const TPaintPages& APaint) {
    Asked.append({QStringLiteral("PrintPreview"), TKind::Plain, ACaption, {}, {}, {}});
    if (!PreviewPdf.isEmpty()) {
        QPdfWriter pdf(PreviewPdf);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        APaint(&pdf);
    }
    return PreviewAnswers.isEmpty() ? false : PreviewAnswers.takeFirst();
}

QStringList TRecordingPrompts::Messages() const {
    QStringList texts;
    for (const TAsked& a : Asked) {
        if (a.Call == QLatin1String("Message") || a.Call == QLatin1String("Choose"))
            texts << a.Text;
    }
    return texts;
}

QStringList TRecordingPrompts::Texts() const {
    QStringList texts;
    for (const TAsked& a : Asked) {
        if (a.Call == QLatin1String("ShowText"))
            texts << a.Text;
    }
    return texts;
}
