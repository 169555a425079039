#pragma once

// What the main window asks of the start-up window. The start-up window lives in the
// program (app/) and creates the main window, so the main window only knows it
// through this interface.
class TStartupServices {
public:
    virtual ~TStartupServices() = default;
    // The main window became active: the start-up window, in whatever view, goes away.
    virtual void HideStartup() = 0;
    // The main window closed: the start-up window closes and the program ends.
    virtual void CloseStartup() = 0;
    // "Настройки подключения к БД ": the connection panel with "Закрыть"; a successful
    // connection reloads today's orders in the existing main window.
    virtual void OpenConnectionSettings() = 0;
    // "О программе": the splash picture with the version and "ОК".
    virtual void ShowAboutView() = 0;
};
