#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

// A report list with one text colour and one background colour per cell. Cells are
// painted single-line, vertically centred and aligned like their column; a selected
// row is painted in the selection colours whatever its cells' colours are.
class ColorListCtrl final : public QTreeWidget {
    Q_OBJECT

public:
    // Item data roles holding a cell's colours.
    static constexpr int TextColorRole = Qt::UserRole + 1;
    static constexpr int BackgroundColorRole = Qt::UserRole + 2;

    explicit ColorListCtrl(QWidget* parent = nullptr);
    ~ColorListCtrl() override;
    Q_DISABLE_COPY_MOVE(ColorListCtrl)

    // "name,width;name,width;..." appends one left-aligned column per entry, the width in
    // pixels (leading decimal digits, as atoi reads them). Parsing stops at the first
    // entry without a ",". False as soon as a column cannot be inserted.
    bool SetColumns(const QString& columns);
    // Inserts a column at index (0..columnCount()); false when the index is out of range.
    bool InsertColumn(int index, const QString& name, Qt::Alignment alignment, int width);

    // Appends a row with one text per column (missing texts are empty) in the current
    // default colours; returns its index.
    int AddRow(const QStringList& texts);
    // False when row or column is out of range.
    bool SetCellText(int row, int col, const QString& text);
    // Empty when row or column is out of range.
    QString CellText(int row, int col) const;
    // An invalid colour stands for the current default. Out-of-range cells are ignored.
    // The cell is repainted at once.
    void SetCellColors(int row, int col, const QColor& text, const QColor& background);
    // The colours a cell is painted in when not selected; invalid when out of range.
    QColor CellTextColor(int row, int col) const;
    QColor CellBackgroundColor(int row, int col) const;
    void DeleteAllRows();

    int rowCount() const { return topLevelItemCount(); }
    // The first selected row, or -1.
    int selectedRow() const;
    // The list's own background, seen where there are no cells. Cell defaults stay.
    void SetBkColor(const QColor& colour);

    QColor defaultTextColor() const { return m_defaultText; }
    QColor defaultBackgroundColor() const { return m_defaultBackground; }
    QColor selectionTextColor() const { return m_selectionText; }
    QColor selectionBackgroundColor() const { return m_selectionBackground; }

protected:
    void changeEvent(QEvent* event) override;

private:
    class CellDelegate;
    friend class CellDelegate;

    void takeSystemColours();
    QTreeWidgetItem* cellItem(int row, int col) const;

    QColor m_defaultText;
    QColor m_defaultBackground;
    QColor m_selectionBackground;
    QColor m_selectionText;
};
