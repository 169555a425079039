#include "DataGrid.h"

#include "GridSortModel.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

TDataGrid::TDataGrid(const QString& AName, const QList<TGridColumn>& AColumns, QWidget* AParent)
    : QTableView(AParent), FColumns(new TGridColumnsModel(AColumns, this)),
      FSorted(new TGridSortModel(this)) {
    setObjectName(AName);
    FSorted->setSourceModel(FColumns);
    setModel(FSorted);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    // Tab leaves the grid for the next control, as in every other form: rows are walked
    // with the arrows, and a Tab at the last cell no longer loads the next order.
    setTabKeyNavigation(false);
    // The grid that has the keyboard is framed, so the arrows' target can be seen.
    setStyleSheet(QStringLiteral("TDataGrid:focus { border: 2px solid palette(highlight); }"));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The query's order until the user asks for another; a third click brings it back.
    horizontalHeader()->setSortIndicatorClearable(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    for (const TGridColumn& c : AColumns) {
        FMinWidths << c.Width;
        FUserWidths << -1;
    }

    // A width the user drags stays for later openings of the query.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int ASection, int, int ANewSize) {
                if (!FApplying && ASection >= 0 && ASection < FUserWidths.size())
                    FUserWidths[ASection] = ANewSize;
            });
    connect(FSorted, &QAbstractItemModel::modelReset, this, [this] {
        ApplyWidths();
        SelectTopRow();
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& ACurrent, const QModelIndex& APrevious) {
                if (FMovingRow || !ACurrent.isValid() || ACurrent.row() == APrevious.row())
                    return;
                if (FPressing)
                    FPressMovedRow = true;
                emit CurrentRowMoved(QueryRow(ACurrent.row()));
            });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& AIndex) {
        // The press of this click has reported the row already.
        const bool reported = FPressMovedRow;
        FPressMovedRow = false;
        if (AIndex.isValid() && !reported)
            emit CellClicked(QueryRow(AIndex.row()));
    });
    ApplyWidths();
}

void TDataGrid::mousePressEvent(QMouseEvent* AEvent) {
    FPressMovedRow = false;
    FPressing = true;
    QTableView::mousePressEvent(AEvent);
    FPressing = false;
}

void TDataGrid::SetSource(QAbstractItemModel* ASource) {
    FColumns->setSourceModel(ASource);
}

int TDataGrid::QueryRow(int AViewRow) const {
    const QModelIndex source = FSorted->mapToSource(FSorted->index(AViewRow, 0));
    return source.isValid() ? source.row() : -1;
}

int TDataGrid::CurrentRow() const {
    if (RowCount() == 0)
        return -1;
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return QueryRow(0);
    return QueryRow(current.row());
}

void TDataGrid::SetCurrentRow(int ARow) {
    if (ARow < 0 || ARow >= RowCount())
        return;
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    if (column >= FColumns->columnCount())
        column = 0;
    FMovingRow = true;
    setCurrentIndex(FSorted->mapFromSource(FColumns->index(ARow, column)));
    FMovingRow = false;
}

void TDataGrid::SelectTopRow() {
    if (RowCount() == 0)
        return;
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    if (column >= FColumns->columnCount())
        column = 0;
    FMovingRow = true;
    setCurrentIndex(FSorted->index(0, column));
    FMovingRow = false;
}

void TDataGrid::SetUserWidths(const QList<int>& AWidths) {
    if (AWidths.size() != FUserWidths.size())
        return;
    for (int i = 0; i < AWidths.size(); ++i)
        FUserWidths[i] = AWidths[i] >= 16 && AWidths[i] <= 4000 ? AWidths[i] : -1;
    ApplyWidths();
}

void TDataGrid::SortBy(int AColumn, Qt::SortOrder AOrder) {
    if (AColumn < 0 || AColumn >= FColumns->columnCount())
        AColumn = -1;
    horizontalHeader()->setSortIndicator(AColumn, AOrder);
}

void TDataGrid::SetBoldTitles(bool ABold) {
    QFont f = horizontalHeader()->font();
    f.setBold(ABold);
    horizontalHeader()->setFont(f);
    ApplyWidths();
}

int TDataGrid::TitleWidth(int AColumn) const {
    const QString title = FColumns->headerData(AColumn, Qt::Horizontal).toString();
    // Room for the sort arrow as well, so that sorting never cuts a title short.
    return horizontalHeader()->fontMetrics().horizontalAdvance(title) + 34;
}

void TDataGrid::ApplyWidths() {
    FApplying = true;
    for (int i = 0; i < FMinWidths.size() && i < FColumns->columnCount(); ++i) {
        if (FUserWidths[i] > 0) {
            setColumnWidth(i, FUserWidths[i]);
            continue;
        }
        const int wanted = qMax(qMax(48, FMinWidths[i]), qMax(TitleWidth(i), sizeHintForColumn(i)));
        setColumnWidth(i, qMin(MaxColumnWidth, wanted));
    }
    FApplying = false;
}

bool TDataGrid::viewportEvent(QEvent* AEvent) {
    if (AEvent->type() == QEvent::ToolTip) {
        // Only a cell whose text is cut short explains itself in a tooltip.
        auto* help = static_cast<QHelpEvent*>(AEvent);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.isValid() ? index.data(Qt::ToolTipRole).toString() : QString();
        const QRect cell = visualRect(index);
        const int needed = sizeHintForIndex(index).width();
        if (!text.isEmpty() && needed > cell.width())
            QToolTip::showText(help->globalPos(), text, viewport(), cell);
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(AEvent);
}
