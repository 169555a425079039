#include "WorkbookError.h"

#include <QDir>

namespace WorkbookError {

EGravelonError Make(const QString& AFileName, const QString& AReason) {
    return EGravelonError(QStringLiteral("Не удалось прочитать файл «%1»: %2")
                              .arg(QDir::toNativeSeparators(AFileName), AReason));
}

} // namespace WorkbookError
