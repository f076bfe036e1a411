// A grid of text cells with one fixed row and one fixed column, addressed as column, row from
// the top left corner. The fixed row is the table's header, so it stays in place when the
// cells scroll; the fixed column is the table's row header, hidden while its width is 0.
// Counts and positions of the grid include the fixed row and column: a grid of 4 columns and
// 11 rows shows 3 columns and 10 rows of cells under its header.
#pragma once
#include <QTableWidget>
#include <functional>

class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);

    int gridColCount() const { return columnCount() + 1; }
    int gridRowCount() const { return rowCount() + 1; }
    void setGridColCount(int count);
    void setGridRowCount(int count);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // Empties every cell, the fixed row and column included.
    void clearCells();

    int colWidth(int col) const;
    void setColWidth(int col, int width);

    // The current cell; the first cell below and right of the fixed ones when none is.
    int col() const;
    int row() const;
    // Makes `row` the current row, keeping the current column; asks OnSelectCell first.
    void setRow(int row);

    // Where a cell is drawn, in viewport coordinates.
    QRect cellRect(int col, int row) const;

    // Runs when the operator or the program moves the current cell; clearing canSelect keeps
    // the previous cell. Changes of size never run it.
    std::function<void(int col, int row, bool& canSelect)> OnSelectCell;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    QTableWidgetItem* headerItem(Qt::Orientation side, int index);
    QString corner_;   // the cell where the fixed row and column meet
    bool muted_ = false;
};
