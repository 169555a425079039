#pragma once

#include "GridColumnsModel.h"

#include <QTableView>

class QMouseEvent;
class TGridSortModel;

// A read-only grid over a query: listed columns only, whole-row selection, a row
// indicator, columns the user may widen. The current row goes back to the top row
// whenever the query is opened again, as a freshly opened data set's cursor does.
// The user's choice of a row is reported, whether made by the keyboard or the mouse:
// CurrentRowMoved when the current row moves (not when the program moves it), and
// CellClicked for a click on a data cell that did not move it (a click on the current
// row asks for its details again). Scrolling reports nothing.
//
// A click on a column title sorts by it, a second click the other way, a third gives
// the query's own order back. Rows are always addressed by their row in the query
// (CurrentRow, SetCurrentRow, CellClicked), whatever order the grid shows them in.
//
// Columns are as wide as their title and contents need, at least their listed width,
// and never wider than MaxColumnWidth; a text that still does not fit is read in its
// tooltip.
class TDataGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int MaxColumnWidth = 320;

    TDataGrid(const QString& AName, const QList<TGridColumn>& AColumns, QWidget* AParent = nullptr);

    void SetSource(QAbstractItemModel* ASource);
    TGridColumnsModel* Columns() const { return FColumns; }
    int RowCount() const { return FColumns->rowCount(); }
    // The query row of the current row; -1 when the grid has no rows.
    int CurrentRow() const;
    // Makes the query row ARow current.
    void SetCurrentRow(int ARow);
    // Makes the row shown at the top current (the query's first row when unsorted).
    void SelectTopRow();
    void SetBoldTitles(bool ABold);
    // The query row shown at grid row AViewRow, or -1.
    int QueryRow(int AViewRow) const;
    // The widths the user dragged, -1 where the grid decides: kept between starts.
    const QList<int>& UserWidths() const { return FUserWidths; }
    // Widths kept from an earlier start; a list of another grid's columns is ignored.
    void SetUserWidths(const QList<int>& AWidths);
    // Sorted by AColumn as its title's clicks would; -1 (or a column it has not) is
    // the query's own order.
    void SortBy(int AColumn, Qt::SortOrder AOrder);

signals:
    void CellClicked(int ARow);
    void CurrentRowMoved(int ARow);

protected:
    void mousePressEvent(QMouseEvent* AEvent) override;

protected:
    bool viewportEvent(QEvent* AEvent) override;

private:
    void ApplyWidths();
    int TitleWidth(int AColumn) const;

    TGridColumnsModel* FColumns;
    TGridSortModel* FSorted;
    QList<int> FMinWidths;
    // Widths the user dragged; -1 where the grid decides.
    QList<int> FUserWidths;
    bool FApplying = false;
    bool FMovingRow = false;     // the program sets the current row
    bool FPressing = false;      // a mouse press is being handled
    bool FPressMovedRow = false; // ... and it moved the current row
};
