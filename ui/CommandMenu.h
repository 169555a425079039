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

// The main window's menu "Заявка": the number search, the list read again (ARefresh),
// the calculation, the print preview of the shown pallet and of all pallets, with the
// keys an operator expects (Ctrl+F, F5, F9, Ctrl+P, Ctrl+Shift+P).
QMenu* AddOrderCommands(QMenuBar* ABar, QWidget* AWindow, std::function<void()> ARefresh);

// The menu "Файл": new order (Ctrl+N) and quitting (Ctrl+Q); the window puts the
// recent workbooks between them.
QMenu* AddFileCommands(QMenuBar* ABar, QWidget* AWindow);

// "Отгрузка…" (Ctrl+D) at the end of the menu AMenu: ARun opens
// the dispatch window, which works whatever the window shows.
void AddDispatchCommand(QMenu* AMenu, std::function<void()> ARun);
