#include "app/background_dialog.h"

#include "widgets/resources.h"

#include <QPainter>

void TiledBitmap::Load(int resourceId)
{
    m_pixmap = QPixmap();
    m_resourceId = 0;
    if (resourceId == 0)
        return;
    m_pixmap = LoadBitmapResource(resourceId);
    if (!m_pixmap.isNull())
        m_resourceId = resourceId;
}

BackgroundDialog::BackgroundDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void BackgroundDialog::SetBackground(int resourceId)
{
    m_background.Load(resourceId);
    update();
}

void BackgroundDialog::paintEvent(QPaintEvent* event)
{
    if (!m_background.isLoaded()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const int w = m_background.width();
    const int h = m_background.height();
    for (int y = 0; y < height(); y += h) {
        for (int x = 0; x < width(); x += w)
            painter.drawPixmap(x, y, m_background.pixmap());
    }
}
