#include "DataGrid.h"

#include <QHeaderView>

TDataGrid::TDataGrid(const QString& AName, const QList<TGridColumn>& AColumns, QWidget* AParent)
    : QTableView(AParent), FColumns(new TGridColumnsModel(AColumns, this)) {
    setObjectName(AName);
    setModel(FColumns);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int i = 0; i < AColumns.size(); ++i)
        FWidths << AColumns[i].Width;

    // A width the user drags stays for later openings of the query.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int ASection, int, int ANewSize) {
                if (!FApplying && ASection >= 0 && ASection < FWidths.size())
                    FWidths[ASection] = ANewSize;
            });
    connect(FColumns, &QAbstractItemModel::modelReset, this, [this] {
        ApplyWidths();
        if (RowCount() > 0)
            SetCurrentRow(0);
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& AIndex) {
        if (AIndex.isValid())
            emit CellClicked(AIndex.row());
    });
    ApplyWidths();
}

void TDataGrid::SetSource(QAbstractItemModel* ASource) {
    FColumns->setSourceModel(ASource);
}

int TDataGrid::CurrentRow() const {
    if (RowCount() == 0)
        return -1;
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : 0;
}

void TDataGrid::SetCurrentRow(int ARow) {
    if (ARow < 0 || ARow >= RowCount())
        return;
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    if (column >= FColumns->columnCount())
        column = 0;
    setCurrentIndex(FColumns->index(ARow, column));
}

void TDataGrid::SetBoldTitles(bool ABold) {
    QFont f = horizontalHeader()->font();
    f.setBold(ABold);
    horizontalHeader()->setFont(f);
    ApplyWidths();
}

int TDataGrid::TitleWidth(int AColumn) const {
    const QString title = FColumns->headerData(AColumn, Qt::Horizontal).toString();
    return qMax(48, horizontalHeader()->fontMetrics().horizontalAdvance(title) + 18);
}

void TDataGrid::ApplyWidths() {
    FApplying = true;
    for (int i = 0; i < FWidths.size() && i < FColumns->columnCount(); ++i)
        setColumnWidth(i, FWidths[i] > 0 ? FWidths[i]
                                         : qMin(360, qMax(TitleWidth(i), sizeHintForColumn(i))));
    FApplying = false;
}
