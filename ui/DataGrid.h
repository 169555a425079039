#pragma once

#include "GridColumnsModel.h"

#include <QTableView>

// A read-only grid over a query: listed columns only, whole-row selection, a row
// indicator, columns the user may widen. The current row goes back to the first row
// whenever the query is opened again, as a freshly opened data set's cursor does.
// Only a mouse click on a data cell is reported (CellClicked): moving the current row
// with the keyboard or the scroll bar is not a request for details.
class TDataGrid : public QTableView {
    Q_OBJECT
public:
    TDataGrid(const QString& AName, const QList<TGridColumn>& AColumns, QWidget* AParent = nullptr);

    void SetSource(QAbstractItemModel* ASource);
    TGridColumnsModel* Columns() const { return FColumns; }
    int RowCount() const { return FColumns->rowCount(); }
    // -1 when the grid has no rows.
    int CurrentRow() const;
    void SetCurrentRow(int ARow);
    void SetBoldTitles(bool ABold);

signals:
    void CellClicked(int ARow);

private:
    void ApplyWidths();
    int TitleWidth(int AColumn) const;

    TGridColumnsModel* FColumns;
    QList<int> FWidths;
    bool FApplying = false;
};
