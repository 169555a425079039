#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>

class QMenu;
class QMenuBar;
class QWidget;

// A command of the window in a menu, with its keys. The item acts on the control that
// stands for the command (found by its object name): a button is pressed, so a key does
// exactly what a click does and nothing while the button is off; any other control gets
// the keyboard. With no control named, the item closes the window.
struct TControlCommand {
    QString Name; // the action's object name
    QString Text;
    QKeySequence Keys;
    QString Control;
    std::function<void()> Run; // instead of a control, when set
};

// The menu ATitle on ABar with ACommands on the controls of AWindow. While it is open,
// its items are off exactly where their controls are.
QMenu* AddCommandMenu(QMenuBar* ABar, QWidget* AWindow, const QString& ATitle,
                      const QList<TControlCommand>& ACommands);

// The main window's menu "Заявка": new order, the number search, the list read again
// (ARefresh), the calculation, the print preview of the shown pallet and of all
// pallets, quitting, with the keys an operator expects (Ctrl+N, Ctrl+F, F5, F9, Ctrl+P,
// Ctrl+Shift+P, Ctrl+Q).
QMenu* AddOrderCommands(QMenuBar* ABar, QWidget* AWindow, std::function<void()> ARefresh);

// "Отгрузка…" (Ctrl+D) in the menu AMenu, above its last item (quitting): ARun opens
// the dispatch window, which works whatever the window shows.
void AddDispatchCommand(QMenu* AMenu, std::function<void()> ARun);
