#pragma once

#include <QAbstractItemModel>
#include <QAction>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QWidget>

// Widgets are found by their objectName, as a user finds them by their place.
namespace UiTest {

template <class T> T* Child(QObject* ARoot, const char* AName) {
    T* w = ARoot->findChild<T*>(QString::fromLatin1(AName));
    if (!w)
        qWarning("no child %s", AName);
    return w;
}

inline int Rows(QObject* ARoot, const char* AGrid) {
    auto* view = Child<QTableView>(ARoot, AGrid);
    return view ? view->model()->rowCount() : -1;
}

// The text a grid shows in a cell, the column found by its title.
inline QString Cell(QObject* ARoot, const char* AGrid, int ARow, const QString& ATitle) {
    auto* view = Child<QTableView>(ARoot, AGrid);
    if (!view)
        return QStringLiteral("<no grid>");
    const QAbstractItemModel* m = view->model();
    for (int c = 0; c < m->columnCount(); ++c) {
        if (m->headerData(c, Qt::Horizontal).toString() == ATitle)
            return m->data(m->index(ARow, c)).toString();
    }
    return QStringLiteral("<no column %1>").arg(ATitle);
}

inline QStringList Titles(QObject* ARoot, const char* AGrid) {
    QStringList titles;
    auto* view = Child<QTableView>(ARoot, AGrid);
    for (int c = 0; view && c < view->model()->columnCount(); ++c)
        titles << view->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

inline int CurrentRow(QObject* ARoot, const char* AGrid) {
    auto* view = Child<QTableView>(ARoot, AGrid);
    return view && view->currentIndex().isValid() ? view->currentIndex().row() : -1;
}

// A left click on a data cell of the row, as the user clicks it.
inline void ClickRow(QObject* ARoot, const char* AGrid, int ARow, int AColumn = 1) {
    auto* view = Child<QTableView>(ARoot, AGrid);
    QVERIFY(view);
    const QModelIndex index = view->model()->index(ARow, AColumn);
    view->scrollTo(index);
    const QRect r = view->visualRect(index);
    QVERIFY2(r.isValid(), "cell not visible");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

inline void Trigger(QObject* ARoot, const char* AAction) {
    auto* a = Child<QAction>(ARoot, AAction);
    QVERIFY(a);
    a->trigger();
}

} // namespace UiTest
