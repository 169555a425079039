#pragma once

class QCoreApplication;

// The program speaks Russian whatever the desktop's language: Qt's own texts (file
// choosers, message-box buttons, context menus) from the Russian translation, dates,
// month and day names of the calendar and numbers from the Russian locale, and the
// file dialogs are Qt's own, so that no desktop dialog in another language stands in.
namespace RussianInterface {

// Installs the translation (a child of AApp) and sets the locale; false when the
// Russian translation of Qt could not be found, in which case Qt's texts stay English.
bool Install(QCoreApplication& AApp);

} // namespace RussianInterface
