#include "FileProblem.h"

#include <QByteArray>
#include <cerrno>
#include <cstring>

namespace FileProblem {

QString Reason(int AError) {
    QString reason;
    switch (AError) {
    case ENOSPC:
    case EDQUOT:
        reason = QStringLiteral("на диске нет места; освободите место или выберите другой диск");
        break;
    case EACCES:
    case EPERM:
        reason = QStringLiteral("нет прав доступа; выберите другой файл или папку либо "
                                "попросите администратора дать права");
        break;
    case EROFS:
        reason = QStringLiteral("диск доступен только для чтения; выберите другой диск");
        break;
    case ENOENT:
        reason = QStringLiteral("файл или папка не существует");
        break;
    case ENOTDIR:
        reason = QStringLiteral("часть пути не является папкой");
        break;
    case EISDIR:
        reason = QStringLiteral("это папка, а не файл");
        break;
    case EIO:
        reason = QStringLiteral("ошибка ввода-вывода; проверьте диск");
        break;
    case ENAMETOOLONG:
        reason = QStringLiteral("слишком длинное имя файла");
        break;
    default:
        reason = QStringLiteral("системная ошибка");
        break;
    }
    // strerror() answers in the C locale's words unless the system has its translations.
    return reason + QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(AError)));
}

} // namespace FileProblem
