#include "stringgrid.h"

#include <QHeaderView>
#include <algorithm>

namespace {
constexpr int kRowHeight = 24;
}

StringGrid::StringGrid(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    horizontalHeader()->setFixedHeight(kRowHeight);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    setColWidth(0, 0);
}

void StringGrid::setGridColCount(int count) {
    muted_ = true;
    setColumnCount(std::max(count - 1, 0));
    muted_ = false;
}

void StringGrid::setGridRowCount(int count) {
    muted_ = true;
    setRowCount(std::max(count - 1, 0));
    muted_ = false;
}

QTableWidgetItem* StringGrid::headerItem(Qt::Orientation side, int index) {
    const bool top = side == Qt::Horizontal;
    QTableWidgetItem* item = top ? horizontalHeaderItem(index) : verticalHeaderItem(index);
    if (!item) {
        item = new QTableWidgetItem(QString());
        if (top)
            setHorizontalHeaderItem(index, item);
        else
            setVerticalHeaderItem(index, item);
    }
    return item;
}

QString StringGrid::cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= gridColCount() || row >= gridRowCount()) return {};
    const QTableWidgetItem* item = nullptr;
    if (col == 0 && row == 0)
        return corner_;
    else if (row == 0)
        item = horizontalHeaderItem(col - 1);
    else if (col == 0)
        item = verticalHeaderItem(row - 1);
    else
        item = this->item(row - 1, col - 1);
    return item ? item->text() : QString();
}

void StringGrid::setCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= gridColCount() || row >= gridRowCount()) return;
    if (col == 0 && row == 0) {
        corner_ = text;
    } else if (row == 0) {
        headerItem(Qt::Horizontal, col - 1)->setText(text);
    } else if (col == 0) {
        headerItem(Qt::Vertical, row - 1)->setText(text);
    } else if (QTableWidgetItem* item = this->item(row - 1, col - 1)) {
        item->setText(text);
    } else {
        setItem(row - 1, col - 1, new QTableWidgetItem(text));
    }
}

void StringGrid::clearCells() {
    for (int c = 0; c < gridColCount(); ++c)
        for (int r = 0; r < gridRowCount(); ++r)
            if (!cell(c, r).isEmpty()) setCell(c, r, QString());
}

int StringGrid::colWidth(int col) const {
    if (col == 0) return verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    return columnWidth(col - 1);
}

void StringGrid::setColWidth(int col, int width) {
    if (col == 0) {
        verticalHeader()->setFixedWidth(width);
        verticalHeader()->setVisible(width > 0);
    } else if (col < gridColCount()) {
        setColumnWidth(col - 1, width);
    }
}

int StringGrid::col() const { return currentColumn() >= 0 ? currentColumn() + 1 : 1; }
int StringGrid::row() const { return currentRow() >= 0 ? currentRow() + 1 : 1; }

void StringGrid::setRow(int row) {
    if (row < 1 || row >= gridRowCount() || gridColCount() < 2) return;
    setCurrentCell(row - 1, col() - 1);
}

QRect StringGrid::cellRect(int col, int row) const {
    if (col < 1 || row < 1) return {};
    return visualRect(model()->index(row - 1, col - 1));
}

void StringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    if (muted_ || !current.isValid() || !OnSelectCell) return;
    bool canSelect = true;
    OnSelectCell(current.column() + 1, current.row() + 1, canSelect);
    if (!canSelect && previous.isValid()) {
        muted_ = true;
        setCurrentIndex(previous);
        muted_ = false;
    }
}
