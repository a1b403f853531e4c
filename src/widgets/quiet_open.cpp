#include "widgets/quiet_open.h"

#include <QPushButton>
#include <QWidget>
#include <QWindow>

namespace quiet_open {

void ShowWithoutActivating(QWidget* window)
{
    window->setWindowModality(Qt::NonModal);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt hands the attribute to the platform window only when it creates it.
    if (QWindow* handle = window->windowHandle())
        handle->setProperty("_q_showWithoutActivating", true);
    KeepButtonsOffTheKeyboard(window);
    window->show();
}

void KeepButtonsOffTheKeyboard(QWidget* window)
{
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
}

} // namespace quiet_open
