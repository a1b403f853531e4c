#pragma once

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QSvgRenderer>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <optional>

namespace saver {

// The screen saver's picture: the toy drifting slowly over a night sky and nodding. It ends on the
// first sign that somebody is back: a key, a mouse button, the wheel or a real pointer move.
class SaverWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SaverWindow)

public:
    enum class Mode {
        FullScreen, // ends on pointer moves too; hides the cursor and takes the keyboard
        Preview, // a normal window: pointer moves over it are ignored
    };

    // Pointer travel (pixels, either axis) from where it first reported that counts as a real move.
    static constexpr int kMoveThreshold = 6;
    static constexpr int kFrameMs = 40;

    explicit SaverWindow(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    // Both halves of the toy's picture were found in the embedded resources.
    bool artLoaded() const;
    // Moves the animation on by ms milliseconds; the frame timer calls it while the window is shown.
    void advance(int ms);
    // Where the toy is drawn, in widget coordinates.
    QRectF toyRect() const;
    // The head's current tilt in degrees (positive tilts it clockwise).
    qreal headAngle() const;

Q_SIGNALS:
    // Emitted once, when input ends the saver; the window closes itself right after.
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void dismiss();
    QSizeF toySize() const;
    void refreshToyPixmaps(QSizeF size);

    Mode m_mode;
    QSvgRenderer m_body;
    QSvgRenderer m_head;
    QPixmap m_bodyPixmap;
    QPixmap m_headPixmap;
    QTimer m_frameTimer;
    // Free-running position; folded into a share of the free room on each axis when drawn, so that
    // a resize keeps the toy inside.
    QPointF m_travel { 0.3, 0.4 };
    QPointF m_drift { 0.045, 0.031 }; // fractions per second
    qreal m_nodPhase = 0.0; // radians
    std::optional<QPointF> m_pointerAnchor;
    bool m_dismissed = false;
    QVector<QPointF> m_stars; // fractions of the window size
};

// What the command line asks for.
struct SaverCommand {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    SaverWindow::Mode mode = SaverWindow::Mode::FullScreen;
    QString text; // help or version text, or the error message
};

// Parses the arguments including the program name. Windows screen saver switches ("/s", "/p <id>",
// "/c") arrive as plain words and are accepted without effect.
SaverCommand ParseSaverCommand(const QStringList& arguments);

} // namespace saver
