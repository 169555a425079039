#include "WorkbookError.h"

#include <QDir>

namespace WorkbookError {

EGravelonError Make(const QString& AFileName, const QString& AReason) {
    return EGravelonError(QStringLiteral("Не удалось прочитать файл «%1»: %2")
                              .arg(QDir::toNativeSeparators(AFileName), AReason));
}

EGravelonError Xml(const QString& AFileName, const QString& APart, const QString& AParserText) {
    return Make(AFileName,
                Damaged + QStringLiteral(" или записан так, как программа не поддерживает; "
                                         "откройте книгу в Excel или LibreOffice и сохраните "
                                         "её заново (часть «%1»: %2)")
                              .arg(APart, AParserText));
}

} // namespace WorkbookError
