#include "Errors.h"

EGravelonError::EGravelonError(const QString& AMessage)
    : FMessage(AMessage), FUtf8(AMessage.toUtf8()) {}

EDatabaseError::EDatabaseError(const QString& AMessage, const QString& AStatement)
    : EGravelonError(AMessage), FStatement(AStatement) {}
