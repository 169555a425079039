#include "PdfFile.h"

#include "Errors.h"
#include "ExportTempFile.h"

#include <QBuffer>
#include <QDir>
#include <QPdfWriter>
#include <optional>

namespace PdfFile {

int Save(const QString& AFileName, const QString& ATitle, const QPageLayout& ALayout,
         const TPaint& APaint) {
    std::optional<TExportTempFile> file;
    try {
        file.emplace(AFileName);
    } catch (const EGravelonError& e) {
        throw EGravelonError(QStringLiteral("Не удалось создать файл %1: %2")
                                 .arg(QDir::toNativeSeparators(AFileName), e.Message()));
    }
    // Painted in memory and written through the file's own descriptor, so a full disk
    // is reported as one, not as the paint device's "Unknown error".
    QBuffer pdfBytes;
    pdfBytes.open(QIODevice::WriteOnly);
    int pages = 0;
    bool stopped = false;
    {
        QPdfWriter pdf(&pdfBytes);
        pdf.setCreator(QStringLiteral("Гравелон"));
        pdf.setTitle(ATitle);
        pdf.setResolution(300);
        pdf.setPageLayout(ALayout);
        pages = APaint(&pdf, &stopped);
    }
    // The half-written copy beside the target goes with the temporary file.
    if (stopped)
        throw EWorkCanceled(QStringLiteral("Сохранение PDF прервано; файл не записан"));
    if (pages == 0)
        throw EGravelonError(QStringLiteral("Не удалось нарисовать страницы для файла %1")
                                 .arg(QDir::toNativeSeparators(AFileName)));
    file->Write(pdfBytes.data());
    file->Place();
    return pages;
}

} // namespace PdfFile
