#include "CommandMenu.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>

namespace {

QWidget* ControlOf(QWidget* AWindow, const QString& AName) {
    return AName.isEmpty() ? nullptr : AWindow->findChild<QWidget*>(AName);
}

// Enabled and shown as the window stands now: a control inside a part that a running
// command has switched off is off too.
bool Available(QWidget* AWindow, QWidget* AControl) {
    return AControl && AControl->isEnabled() && AControl->isVisibleTo(AWindow);
}

} // namespace

QMenu* AddCommandMenu(QMenuBar* ABar, QWidget* AWindow, const QString& ATitle,
                      const QList<TControlCommand>& ACommands) {
    QMenu* menu = ABar->addMenu(ATitle);
    QList<QPair<QAction*, QString>> items;
    for (const TControlCommand& c : ACommands) {
        QAction* a = menu->addAction(c.Text);
        a->setObjectName(c.Name);
        a->setShortcut(c.Keys);
        // The keys work wherever the keyboard is in the window, a grid included.
        a->setShortcutContext(Qt::WindowShortcut);
        QPointer<QWidget> window = AWindow;
        const QString control = c.Control;
        const std::function<void()> run = c.Run;
        QObject::connect(a, &QAction::triggered, AWindow, [window, control, run] {
            if (!window)
                return;
            if (run) {
                run();
                return;
            }
            if (control.isEmpty()) {
                window->close();
                return;
            }
            QWidget* w = ControlOf(window, control);
            if (!Available(window, w))
                return;
            if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                button->click();
            } else {
                w->setFocus(Qt::ShortcutFocusReason);
                if (auto* edit = qobject_cast<QLineEdit*>(w))
                    edit->selectAll();
            }
        });
        items.append({a, c.Control});
    }
    // Shown off where the click would do nothing; afterwards on again, so that a key
    // pressed later asks the control as it is then.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [AWindow, items] {
        for (const auto& [action, control] : items)
            action->setEnabled(control.isEmpty() ||
                               Available(AWindow, ControlOf(AWindow, control)));
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, [items] {
        for (const auto& item : items)
            item.first->setEnabled(true);
    });
    return menu;
}

void AddDispatchCommand(QMenu* AMenu, std::function<void()> ARun) {
    auto* a = new QAction(QStringLiteral("Отгрузка…"), AMenu);
    a->setObjectName(QStringLiteral("DispatchAction"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    QObject::connect(a, &QAction::triggered, AMenu, std::move(ARun));
    AMenu->addAction(a);
}

QMenu* AddOrderCommands(QMenuBar* ABar, QWidget* AWindow, std::function<void()> ARefresh) {
    QMenu* menu =
        AddCommandMenu(ABar, AWindow, QStringLiteral("Заявка"),
                       {{QStringLiteral("FindNumberAction"),
                         QStringLiteral("Поиск по номеру"),
                         QKeySequence(Qt::CTRL | Qt::Key_F),
                         QStringLiteral("SearchNumber"),
                         {}},
                        {QStringLiteral("RefreshAction"), QStringLiteral("Обновить список"),
                         QKeySequence(Qt::Key_F5), QString(), std::move(ARefresh)},
                        {QStringLiteral("CalculateAction"),
                         QStringLiteral("Расчет поддонов"),
                         QKeySequence(Qt::Key_F9),
                         QStringLiteral("CalculateButton"),
                         {}},
                        {QStringLiteral("PreviewPalletAction"),
                         QStringLiteral("Печать раскладки поддона…"),
                         QKeySequence(Qt::CTRL | Qt::Key_P),
                         QStringLiteral("PreviewPalletButton"),
                         {}},
                        {QStringLiteral("PreviewAllAction"),
                         QStringLiteral("Печать всех раскладок…"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                         QStringLiteral("PreviewAllButton"),
                         {}}});
    menu->setObjectName(QStringLiteral("OrderMenu"));
    return menu;
}

QMenu* AddFileCommands(QMenuBar* ABar, QWidget* AWindow) {
    QMenu* menu = AddCommandMenu(ABar, AWindow, QStringLiteral("Файл"),
                                 {{QStringLiteral("NewOrderAction"),
                                   QStringLiteral("Новая заявка…"),
                                   QKeySequence(Qt::CTRL | Qt::Key_N),
                                   QStringLiteral("NewOrderButton"),
                                   {}},
                                  {QStringLiteral("QuitAction"),
                                   QStringLiteral("Выход"),
                                   QKeySequence(Qt::CTRL | Qt::Key_Q),
                                   QString(),
                                   {}}});
    menu->setObjectName(QStringLiteral("FileMenu"));
    return menu;
}
