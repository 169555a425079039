#include "Errors.h"

EGravelonError::EGravelonError(const QString& AMessage)
    : FMessage(AMessage), FUtf8(AMessage.toUtf8()) {}

EDatabaseError::EDatabaseError(const QString& AMessage, const QString& AStatement)
    : EGravelonError(AMessage), FStatement(AStatement) {}

const QString EDatabaseBusy::BusyMessage =
    QStringLiteral("Другое рабочее место сейчас изменяет данные в базе, повторите через минуту");

EDatabaseBusy::EDatabaseBusy(const QString& AStatement) : EDatabaseRetry(BusyMessage, AStatement) {}

const QString EConnectionLost::LostMessage =
    QStringLiteral("Связь с сервером базы данных потеряна, незавершенные изменения отменены. "
                   "Следующая команда подключится заново");

EConnectionLost::EConnectionLost(const QString& AStatement)
    : EDatabaseRetry(LostMessage, AStatement) {}

const QString EDatabaseHoldLost::HoldLostMessage =
    QStringLiteral("Связь с файлом базы данных нарушена другой программой; данные не записаны, "
                   "перезапустите программу");

EDatabaseHoldLost::EDatabaseHoldLost() : EDatabaseRetry(HoldLostMessage) {}
