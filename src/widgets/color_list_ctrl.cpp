#include "widgets/color_list_ctrl.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cstdlib>

class ColorListCtrl::CellDelegate final : public QStyledItemDelegate {
public:
    explicit CellDelegate(ColorListCtrl* list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QColor text = index.data(TextColorRole).value<QColor>();
        QColor background = index.data(BackgroundColorRole).value<QColor>();
        if (!text.isValid())
            text = m_list->m_defaultText;
        if (!background.isValid())
            background = m_list->m_defaultBackground;
        if (option.state & QStyle::State_Selected) {
            text = m_list->m_selectionText;
            background = m_list->m_selectionBackground;
        }

        const QRect rect = option.rect;
        painter->fillRect(rect, background);

        QString caption = index.data(Qt::DisplayRole).toString();
        if (caption.isEmpty())
            return;
        caption.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        const Qt::Alignment columnAlignment
            = Qt::Alignment(m_list->headerItem()->textAlignment(index.column())) & Qt::AlignHorizontal_Mask;
        painter->save();
        painter->setClipRect(rect);
        painter->setFont(option.font);
        painter->setPen(text);
        painter->drawText(rect.adjusted(2, 0, -2, 0),
            int(columnAlignment | Qt::AlignVCenter) | Qt::TextSingleLine, caption);
        painter->restore();
    }

private:
    ColorListCtrl* m_list;
};

ColorListCtrl::ColorListCtrl(QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setMinimumSectionSize(0);
    setItemDelegate(new CellDelegate(this));
    takeSystemColours();
}

ColorListCtrl::~ColorListCtrl() = default;

void ColorListCtrl::takeSystemColours()
{
    const QPalette& pal = palette();
    m_defaultText = pal.color(QPalette::Text);
    m_defaultBackground = pal.color(QPalette::Base);
    m_selectionBackground = pal.color(QPalette::Highlight);
    m_selectionText = pal.color(QPalette::HighlightedText);
}

void ColorListCtrl::changeEvent(QEvent* event)
{
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        takeSystemColours();
        viewport()->update();
    }
}

bool ColorListCtrl::InsertColumn(int index, const QString& name, Qt::Alignment alignment, int width)
{
    if (index < 0 || index > columnCount())
        return false;
    if (!model()->insertColumn(index))
        return false;
    headerItem()->setText(index, name);
    headerItem()->setTextAlignment(index, alignment | Qt::AlignVCenter);
    setColumnWidth(index, width < 0 ? 0 : width);
    return true;
}

bool ColorListCtrl::SetColumns(const QString& columns)
{
    qsizetype pos = 0;
    for (;;) {
        const qsizetype comma = columns.indexOf(QLatin1Char(','), pos);
        if (comma < 0)
            break;
        const QString name = columns.mid(pos, comma - pos);
        const qsizetype semicolon = columns.indexOf(QLatin1Char(';'), comma + 1);
        const QString widthText
            = semicolon < 0 ? columns.mid(comma + 1) : columns.mid(comma + 1, semicolon - comma - 1);
        const int width = std::atoi(widthText.toLatin1().constData());
        if (!InsertColumn(columnCount(), name, Qt::AlignLeft, width))
            return false;
        if (semicolon < 0)
            break;
        pos = semicolon + 1;
    }
    return true;
}

int ColorListCtrl::AddRow(const QStringList& texts)
{
    auto* item = new QTreeWidgetItem;
    for (int col = 0; col < columnCount(); ++col) {
        item->setText(col, texts.value(col));
        item->setData(col, TextColorRole, m_defaultText);
        item->setData(col, BackgroundColorRole, m_defaultBackground);
    }
    addTopLevelItem(item);
    return indexOfTopLevelItem(item);
}

QTreeWidgetItem* ColorListCtrl::cellItem(int row, int col) const
{
    if (row < 0 || row >= topLevelItemCount() || col < 0 || col >= columnCount())
        return nullptr;
    return topLevelItem(row);
}

bool ColorListCtrl::SetCellText(int row, int col, const QString& text)
{
    QTreeWidgetItem* item = cellItem(row, col);
    if (!item)
        return false;
    item->setText(col, text);
    return true;
}

QString ColorListCtrl::CellText(int row, int col) const
{
    const QTreeWidgetItem* item = cellItem(row, col);
    return item ? item->text(col) : QString();
}

void ColorListCtrl::SetCellColors(int row, int col, const QColor& text, const QColor& background)
{
    QTreeWidgetItem* item = cellItem(row, col);
    if (!item)
        return;
    item->setData(col, TextColorRole, text.isValid() ? text : m_defaultText);
    item->setData(col, BackgroundColorRole, background.isValid() ? background : m_defaultBackground);
    if (isVisible())
        viewport()->repaint(visualItemRect(item));
}

QColor ColorListCtrl::CellTextColor(int row, int col) const
{
    const QTreeWidgetItem* item = cellItem(row, col);
    if (!item)
        return {};
    const QColor colour = item->data(col, TextColorRole).value<QColor>();
    return colour.isValid() ? colour : m_defaultText;
}

QColor ColorListCtrl::CellBackgroundColor(int row, int col) const
{
    const QTreeWidgetItem* item = cellItem(row, col);
    if (!item)
        return {};
    const QColor colour = item->data(col, BackgroundColorRole).value<QColor>();
    return colour.isValid() ? colour : m_defaultBackground;
}

void ColorListCtrl::DeleteAllRows()
{
    clear();
}

int ColorListCtrl::selectedRow() const
{
    int first = -1;
    for (QTreeWidgetItem* item : selectedItems()) {
        const int row = indexOfTopLevelItem(item);
        if (row >= 0 && (first < 0 || row < first))
            first = row;
    }
    return first;
}

void ColorListCtrl::SetBkColor(const QColor& colour)
{
    // On the viewport only, so the palette-derived cell defaults stay as they are.
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, colour);
    viewport()->setPalette(pal);
    viewport()->update();
}
