#include "FileDialogs.h"

#include <QAbstractFileIconProvider>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace {

// Types and icons from the file's name only. Folders, drives and links are told by
// their stat, which opens nothing; the standard icons come from the style, not from
// the desktop's provider, which may read the file.
class TNameOnlyFileIcons : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType AType) const override { return FStandard.icon(AType); }

    QIcon icon(const QFileInfo& AInfo) const override {
        if (!AInfo.isFile())
            return FStandard.icon(AInfo.isDir() ? Folder : File);
        const QMimeType mime = ByName(AInfo);
        return QIcon::fromTheme(mime.iconName(),
                                QIcon::fromTheme(mime.genericIconName(), FStandard.icon(File)));
    }

    QString type(const QFileInfo& AInfo) const override {
        // The base class reads only a regular file's contents.
        if (!AInfo.isFile())
            return QAbstractFileIconProvider::type(AInfo);
        const QMimeType mime = ByName(AInfo);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeType ByName(const QFileInfo& AInfo) const {
        return FMime.mimeTypeForFile(AInfo.fileName(), QMimeDatabase::MatchExtension);
    }

    QMimeDatabase FMime;
    // Only its icon(IconType) is used: the desktop's standard pictures, no file read.
    QFileIconProvider FStandard;
};

// Shared by every dialog; the dialog's file system model asks it from its own thread,
// which Qt stops before the model goes, so one instance for the process is enough.
TNameOnlyFileIcons& NameOnlyIcons() {
    static TNameOnlyFileIcons icons;
    return icons;
}

QString Chosen(QFileDialog& ADialog) {
    if (ADialog.exec() != QDialog::Accepted)
        return QString();
    return ADialog.selectedFiles().value(0);
}

} // namespace

namespace FileDialogs {

std::unique_ptr<QFileDialog> Make(QWidget* AParent, const QString& ACaption,
                                  const QString& ADirectoryOrFile, const QString& AFilter) {
    auto dialog = std::make_unique<QFileDialog>(AParent, ACaption, ADirectoryOrFile, AFilter);
    dialog->setObjectName(QStringLiteral("FileDialog"));
    // Options before the provider: the first one decides the widget dialog, which
    // builds the model the provider is set on.
    dialog->setOptions(QFileDialog::DontUseNativeDialog |
                       QFileDialog::DontUseCustomDirectoryIcons);
    dialog->setIconProvider(&NameOnlyIcons());
    return dialog;
}

QString ChooseOpen(QWidget* AParent, const QString& ACaption, const QString& AFilter) {
    const auto dialog = Make(AParent, ACaption, QString(), AFilter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return Chosen(*dialog);
}

QString ChooseSave(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                   const QString& ASuggested) {
    const auto dialog = Make(AParent, ACaption, ASuggested, AFilter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The command completes the name (a suffix) first and asks about the file it will
    // really write.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return Chosen(*dialog);
}

} // namespace FileDialogs
