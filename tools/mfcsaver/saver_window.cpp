#include "saver_window.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>

namespace saver {

namespace {

// The two halves share one canvas; the head turns about the top of the spring, which is this
// point of that canvas (see tools/artwork/make_artwork.py).
constexpr qreal kArtWidth = 200.0;
constexpr qreal kArtHeight = 170.0;
constexpr QPointF kNeckInArt { 100.0, 94.0 };

constexpr qreal kPi = 3.14159265358979323846;
constexpr qreal kNodPeriodSeconds = 1.6; // two ticks of the companion's nod
constexpr qreal kNodDegrees = 10.0;
constexpr qreal kToyShare = 0.42; // toy height as a share of the window's shorter side
constexpr int kStarCount = 90;

// Bounces a free-running coordinate between 0 and 1 (a triangle wave), so that any step size,
// however large, keeps the toy inside.
qreal Bounce(qreal travel)
{
    qreal t = std::fmod(travel, 2.0);
    if (t < 0.0)
        t += 2.0;
    return t <= 1.0 ? t : 2.0 - t;
}

} // namespace

SaverWindow::SaverWindow(Mode mode, QWidget* parent)
    : QWidget(parent)
    , m_mode(mode)
    , m_body(QStringLiteral(":/mfcsaver/toy_body.svg"))
    , m_head(QStringLiteral(":/mfcsaver/toy_head.svg"))
{
    setObjectName(QStringLiteral("saverWindow"));
    setWindowTitle(QStringLiteral("MfcSaver"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    if (m_mode == Mode::FullScreen) {
        setCursor(Qt::BlankCursor);
        setMouseTracking(true);
    }

    // A fixed seed: the same sky every time.
    QRandomGenerator stars(0x1941);
    m_stars.reserve(kStarCount);
    for (int i = 0; i < kStarCount; ++i)
        m_stars.append(QPointF(stars.generateDouble(), stars.generateDouble()));

    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        advance(kFrameMs);
        update();
    });
}

bool SaverWindow::artLoaded() const
{
    return m_body.isValid() && m_head.isValid();
}

void SaverWindow::advance(int ms)
{
    const qreal seconds = ms / 1000.0;
    m_travel += m_drift * seconds;
    m_nodPhase = std::fmod(m_nodPhase + seconds * 2.0 * kPi / kNodPeriodSeconds, 2.0 * kPi);
}

QSizeF SaverWindow::toySize() const
{
    const qreal h = std::min(width(), height()) * kToyShare;
    return QSizeF(h * kArtWidth / kArtHeight, h);
}

QRectF SaverWindow::toyRect() const
{
    const QSizeF size = toySize();
    const qreal freeX = std::max(0.0, width() - size.width());
    const qreal freeY = std::max(0.0, height() - size.height());
    return QRectF(QPointF(Bounce(m_travel.x()) * freeX, Bounce(m_travel.y()) * freeY), size);
}

qreal SaverWindow::headAngle() const
{
    return kNodDegrees * std::sin(m_nodPhase);
}

void SaverWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0.0, QColor(0x0B, 0x10, 0x26));
    sky.setColorAt(1.0, QColor(0x1E, 0x27, 0x55));
    p.fillRect(rect(), sky);

    p.setPen(Qt::NoPen);
    for (int i = 0; i < m_stars.size(); ++i) {
        const qreal twinkle = 0.5 + 0.5 * std::sin(m_nodPhase * 0.5 + i * 1.7);
        p.setBrush(QColor(255, 248, 220, 70 + int(150 * twinkle)));
        const qreal r = 0.8 + (i % 3) * 0.5;
        p.drawEllipse(QPointF(m_stars[i].x() * width(), m_stars[i].y() * height()), r, r);
    }

    const QRectF toy = toyRect();
    // a soft pool of light under the stand
    p.save();
    p.translate(toy.center().x(), toy.bottom() - toy.height() * 0.04);
    p.scale(1.0, 0.2);
    QRadialGradient pool(QPointF(0, 0), toy.width() * 0.6);
    pool.setColorAt(0.0, QColor(255, 240, 200, 80));
    pool.setColorAt(1.0, QColor(255, 240, 200, 0));
    p.setBrush(pool);
    p.drawEllipse(QPointF(0, 0), toy.width() * 0.6, toy.width() * 0.6);
    p.restore();

    if (!artLoaded())
        return;
    refreshToyPixmaps(toy.size());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(toy, m_bodyPixmap, QRectF(QPointF(0, 0), m_bodyPixmap.size()));
    const QPointF neck(toy.left() + kNeckInArt.x() / kArtWidth * toy.width(),
        toy.top() + kNeckInArt.y() / kArtHeight * toy.height());
    p.translate(neck);
    p.rotate(headAngle());
    p.translate(-neck);
    p.drawPixmap(toy, m_headPixmap, QRectF(QPointF(0, 0), m_headPixmap.size()));
}

// Drawing the vector art every frame is wasted work; it only changes with the window's size.
void SaverWindow::refreshToyPixmaps(QSizeF size)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (size * ratio).toSize();
    if (m_bodyPixmap.size() == pixels && !m_bodyPixmap.isNull())
        return;
    auto draw = [&](QSvgRenderer& art) {
        QPixmap pixmap(pixels);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        art.render(&painter);
        return pixmap;
    };
    m_bodyPixmap = draw(m_body);
    m_headPixmap = draw(m_head);
}

void SaverWindow::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    dismiss();
}

void SaverWindow::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    dismiss();
}

void SaverWindow::wheelEvent(QWheelEvent* event)
{
    event->accept();
    dismiss();
}

void SaverWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_mode == Mode::Preview)
        return;
    // The first move only reports where the pointer rests (a window appearing under it sends one);
    // later moves count once they have gone a few pixels from there, so a nudged desk does not end it.
    const QPointF at = event->globalPosition();
    if (!m_pointerAnchor) {
        m_pointerAnchor = at;
        return;
    }
    const QPointF travel = at - *m_pointerAnchor;
    if (std::abs(travel.x()) > kMoveThreshold || std::abs(travel.y()) > kMoveThreshold)
        dismiss();
}

void SaverWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_pointerAnchor.reset();
    m_frameTimer.start();
    if (m_mode == Mode::FullScreen) {
        // The companion starts us without activating us; keys must still reach the saver.
        raise();
        activateWindow();
        grabKeyboard();
    }
}

void SaverWindow::hideEvent(QHideEvent* event)
{
    m_frameTimer.stop();
    if (m_mode == Mode::FullScreen)
        releaseKeyboard();
    QWidget::hideEvent(event);
}

void SaverWindow::dismiss()
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    Q_EMIT dismissed();
    close();
}

SaverCommand ParseSaverCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quillby's screen saver: the toy nods until a key, a mouse button or a mouse move."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption window(QStringLiteral("window"), QStringLiteral("Show a preview in a window."));
    parser.addOption(window);
    parser.addPositionalArgument(QStringLiteral("switches"),
        QStringLiteral("Windows screen saver switches; accepted and ignored."), QStringLiteral("[/s]"));

    SaverCommand command;
    if (!parser.parse(arguments)) {
        command.action = SaverCommand::Action::Error;
        command.text = parser.errorText();
        return command;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        command.action = SaverCommand::Action::Help;
        command.text = parser.helpText();
        return command;
    }
    if (parser.isSet(version)) {
        command.action = SaverCommand::Action::Version;
        command.text = QStringLiteral("MfcSaver ") + QStringLiteral(QUILLBY_VERSION);
        return command;
    }
    command.mode = parser.isSet(window) ? SaverWindow::Mode::Preview : SaverWindow::Mode::FullScreen;
    return command;
}

} // namespace saver
