#include "widgets/picture_dialog.h"

#include "platform/guarded.h"
#include "sound/key_rule.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

PictureDialog::PictureDialog(QWidget* parent, int dialogId, QSize sizeDlu, int bitmapId, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_picture(new QLabel(this))
{
    setProperty("dialogId", dialogId);
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(dluSize(sizeDlu.width(), sizeDlu.height()));
    // Modal to the window that opened it, not to the program: a ring window that opens
    // meanwhile stays answerable above it.
    setWindowModality(Qt::WindowModal);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->move(0, 0);
    if (bitmapId != 0) {
        m_picture->setPixmap(LoadBitmapResource(bitmapId));
        m_picture->adjustSize();
    }
    // Keys are looked at before any control sees them, like a dialog's own pre-filter.
    qApp->installEventFilter(this);
}

PictureDialog::~PictureDialog()
{
    qApp->removeEventFilter(this);
}

bool PictureDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() || !isVisible())
        return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != this || !keyRuleApplies(target))
        return false;
    bool handled = false;
    guarded([&] {
        handled = HandleNodKey(static_cast<QKeyEvent*>(event)->key());
        if (handled)
            reject();
    });
    return handled;
}

bool PictureDialog::keyRuleApplies(QWidget*) const
{
    return true;
}

CButtonST* PictureDialog::addPictureButton(int id, int iconId, QRect dlu)
{
    auto* button = new CButtonST(this);
    placeControl(button, id, dlu);
    if (iconId != 0)
        button->SetIcon(iconId);
    button->SetDrawBorder(false, true);
    button->SetTransparent(true);
    button->setAutoDefault(false);
    return button;
}

void PictureDialog::guarded(const std::function<void()>& handler)
{
    platform::runGuarded(this, handler);
}
