#pragma once

#include <QDialog>
#include <QPixmap>

// A bitmap resource with its size in pixels; loading id 0 only releases.
class TiledBitmap {
public:
    void Load(int resourceId);
    bool isLoaded() const { return !m_pixmap.isNull(); }
    int resourceId() const { return m_resourceId; }
    int width() const { return m_pixmap.width(); }
    int height() const { return m_pixmap.height(); }
    const QPixmap& pixmap() const { return m_pixmap; }

private:
    QPixmap m_pixmap;
    int m_resourceId = 0;
};

// A dialog that tiles its bitmap over the whole client area, whole tiles left to
// right, top to bottom, from the top-left corner; the default background without one.
class BackgroundDialog : public QDialog {
    Q_OBJECT

public:
    explicit BackgroundDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    void SetBackground(int resourceId);
    const TiledBitmap& background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TiledBitmap m_background;
};
