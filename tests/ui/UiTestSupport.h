#pragma once

#include "MainWindow.h"
#include "Prompts.h"
#include "TestDatabase.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <memory>

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

// A click on a column's title, as the user sorts by it.
inline void ClickTitle(QObject* ARoot, const char* AGrid, int AColumn) {
    auto* view = Child<QTableView>(ARoot, AGrid);
    QHeaderView* header = view->horizontalHeader();
    const int x = header->sectionViewportPosition(AColumn) + header->sectionSize(AColumn) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, header->height() / 2));
}

// The main window on a test database, as the window tests open it; the prompts of
// APromptsType answer its questions unless Open is given others.
template <class APromptsType = TRecordingPrompts> struct TWindowOf {
    APromptsType Prompts;
    std::unique_ptr<TMainWindow> Form;

    void Open(TestDb::TConnected& ADb, QSize ASize = QSize(1400, 900), bool ATray = false,
              TPrompts* AOtherPrompts = nullptr) {
        Form =
            std::make_unique<TMainWindow>(ADb.Data.get(), AOtherPrompts ? AOtherPrompts : &Prompts,
                                          ADb.Db.IniPath, nullptr, ATray);
        Form->resize(ASize);
        Form->show();
    }
    void SearchDate(const QDate& ADate) {
        Child<QDateEdit>(Form.get(), "SearchDate")->setDate(ADate);
        Child<QToolButton>(Form.get(), "SearchByDateButton")->click();
    }
    void SearchNumber(const QString& AText) {
        Child<QLineEdit>(Form.get(), "SearchNumber")->setText(AText);
        Child<QToolButton>(Form.get(), "SearchByNumberButton")->click();
    }
    QPushButton* Button(const char* AName) { return Child<QPushButton>(Form.get(), AName); }
    // Long commands run on the worker thread: a test waits for the window to be free.
    void WaitIdle() { QTRY_VERIFY_WITH_TIMEOUT(!Form->Busy(), 120000); }
    void Click(const char* AButton) {
        Button(AButton)->click();
        WaitIdle();
    }
    bool Enabled(const char* AButton) { return Button(AButton)->isEnabled(); }
    QString Text(const char* ALabel) { return Child<QLabel>(Form.get(), ALabel)->text(); }
    QStringList Column(const char* AGrid, const QString& ATitle) {
        QStringList cells;
        for (int r = 0; r < Rows(Form.get(), AGrid); ++r)
            cells << Cell(Form.get(), AGrid, r, ATitle);
        return cells;
    }
};

} // namespace UiTest
