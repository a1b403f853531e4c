#include "widgets/combo_popup.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

int ComboPopupWidth(const QComboBox* list)
{
    const QAbstractItemView* view = list->view();
    int widest = view->sizeHintForColumn(0);
    // Before the view was ever polished its hint may be short of the text; the box's own
    // font is the one the items are drawn in.
    const QFontMetrics metrics(list->font());
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->itemText(i)) + 2 * metrics.averageCharWidth());
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view->verticalScrollBar());
    return widest + scrollBar + 2 * view->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
}

void FitComboPopup(QComboBox* list, int rows)
{
    list->setMaxVisibleItems(rows);
    // A list, not a menu: the only kind of popup that keeps to maxVisibleItems.
    list->setStyleSheet(list->styleSheet() + QStringLiteral(" QComboBox { combobox-popup: 0; }"));
    list->view()->setMinimumWidth(ComboPopupWidth(list));
    list->view()->setTextElideMode(Qt::ElideNone);
    // Shown whenever there is more than one page: it tells that the list goes on.
    if (list->count() > rows)
        list->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}
