#include "widgets/button_st.h"

#include "widgets/resources.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

// Snapshots being taken right now. A transparent button without a snapshot that is
// painted inside another button's snapshot draws nothing instead of taking its own.
int s_snapshotsInProgress = 0;

} // namespace

QPixmap GreyIconCopy(const QPixmap& source)
{
    if (source.isNull())
        return {};
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int r = qRed(p);
            const int g = qGreen(p);
            const int b = qBlue(p);
            if (r == 0 && g == 0 && b == 0)
                continue;
            const int grey = static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b);
            line[x] = qRgba(grey, grey, grey, qAlpha(p));
        }
    }
    QPixmap grey = QPixmap::fromImage(image);
    grey.setDevicePixelRatio(source.devicePixelRatio());
    return grey;
}

CButtonST::CButtonST(QWidget* parent)
    : CButtonST(QString(), parent)
{
}

CButtonST::CButtonST(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
    SetDefaultColors(false);
    setMouseTracking(true);
}

CButtonST::~CButtonST() = default;

void CButtonST::repaintIf(bool repaint)
{
    if (repaint)
        update();
}

int CButtonST::SetColor(int index, const QColor& color, bool repaint)
{
    if (index < 0 || index >= BTNST_MAX_COLORS)
        return BTNST_INVALIDINDEX;
    m_colors[static_cast<std::size_t>(index)] = color;
    repaintIf(repaint);
    return BTNST_OK;
}

QColor CButtonST::GetColor(int index) const
{
    if (index < 0 || index >= BTNST_MAX_COLORS)
        return {};
    return m_colors[static_cast<std::size_t>(index)];
}

void CButtonST::SetDefaultColors(bool repaint)
{
    const QColor face = palette().color(QPalette::Button);
    const QColor text = palette().color(QPalette::ButtonText);
    for (int i = 0; i < BTNST_MAX_COLORS; i += 2) {
        m_colors[static_cast<std::size_t>(i)] = face;
        m_colors[static_cast<std::size_t>(i + 1)] = text;
    }
    repaintIf(repaint);
}

void CButtonST::SetDrawBorder(bool enable, bool repaint)
{
    m_drawBorder = enable;
    repaintIf(repaint);
}

void CButtonST::SetFlat(bool flat, bool repaint)
{
    m_isFlat = flat;
    if (!flat)
        m_mouseOnButton = false; // only flat buttons track the pointer
    repaintIf(repaint);
}

void CButtonST::SetDrawFlatFocus(bool enable, bool repaint)
{
    m_drawFlatFocus = enable;
    repaintIf(repaint);
}

void CButtonST::SetTransparent(bool repaint)
{
    m_isTransparent = true;
    m_snapshot = QPixmap();
    repaintIf(repaint);
}

void CButtonST::ResetTransparentCache(bool repaint)
{
    m_snapshot = QPixmap();
    repaintIf(repaint);
}

void CButtonST::SetTooltipText(const QString& text, bool activate)
{
    if (text.isNull())
        return;
    if (this->text().isEmpty() && (accessibleName().isEmpty() || accessibleName() == m_tooltipText))
        setAccessibleName(text);
    m_tooltipText = text;
    ActivateTooltip(activate);
}

void CButtonST::ActivateTooltip(bool activate)
{
    m_tooltipActive = activate;
    setToolTip(activate ? m_tooltipText : QString());
}

int CButtonST::SetIcon(int inId, int outId)
{
    if (inId == 0)
        return SetIcon(QPixmap());
    const QPixmap in = LoadIconPixmap(inId);
    QPixmap out;
    if (!in.isNull()) {
        if (outId == BTNST_AUTO_GRAY)
            out = GreyIconCopy(in);
        else if (outId != 0)
            out = LoadIconPixmap(outId);
    }
    if (in.isNull() || (outId != 0 && out.isNull())) {
        SetIcon(QPixmap());
        return BTNST_INVALIDRESOURCE;
    }
    return SetIcon(in, out);
}

int CButtonST::SetIcon(const QPixmap& in, const QPixmap& out)
{
    m_iconIn = in;
    m_iconOut = in.isNull() ? QPixmap() : out;
    update();
    return BTNST_OK;
}

void CButtonST::SetBtnCursor(const QCursor& cursor)
{
    setCursor(cursor);
}

void CButtonST::ClearBtnCursor()
{
    unsetCursor();
}

void CButtonST::cancelHover()
{
    if (!m_mouseOnButton)
        return;
    m_mouseOnButton = false;
    update();
}

void CButtonST::takeSnapshot()
{
    QWidget* parent = parentWidget();
    const qreal dpr = devicePixelRatioF();
    m_snapshot = QPixmap(size() * dpr);
    m_snapshot.setDevicePixelRatio(dpr);
    if (!parent) {
        m_snapshot.fill(palette().color(QPalette::Window));
        return;
    }
    m_snapshot.fill(Qt::transparent);

    // The parent's own background, then the siblings stacked below this button. Rendering
    // the parent with its children would paint this button again from inside its paint.
    ++s_snapshotsInProgress;
    m_takingSnapshot = true;
    const QRect area = geometry();
    parent->render(&m_snapshot, QPoint(), QRegion(area), QWidget::DrawWindowBackground);
    for (QObject* child : parent->children()) {
        if (child == this)
            break;
        auto* sibling = qobject_cast<QWidget*>(child);
        if (!sibling || sibling->isWindow() || !sibling->isVisibleTo(parent))
            continue;
        const QRect overlap = sibling->geometry() & area;
        if (overlap.isEmpty())
            continue;
        sibling->render(&m_snapshot, overlap.topLeft() - area.topLeft(),
            QRegion(overlap.translated(-sibling->pos())),
            QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    m_takingSnapshot = false;
    --s_snapshotsInProgress;
}

void CButtonST::draw3dRect(
    QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight)
{
    const int x = rect.x();
    const int y = rect.y();
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(x, y, w - 1, 1, topLeft);
    painter.fillRect(x, y, 1, h - 1, topLeft);
    painter.fillRect(x + w - 1, y, 1, h, bottomRight);
    painter.fillRect(x, y + h - 1, w, 1, bottomRight);
}

void CButtonST::PaintBackground(QPainter& painter, const QRect& rect)
{
    QColor colour;
    if (m_mouseOnButton || isDown())
        colour = m_colors[BTNST_COLOR_BK_IN];
    else if (hasFocus())
        colour = m_colors[BTNST_COLOR_BK_FOCUS];
    else
        colour = m_colors[BTNST_COLOR_BK_OUT];
    painter.fillRect(rect, colour);
}

void CButtonST::PaintBorder(QPainter& painter, const QRect& rect)
{
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    if (isDown())
        draw3dRect(painter, rect, shadow, light);
    else
        draw3dRect(painter, rect, light, shadow);
}

void CButtonST::paintEvent(QPaintEvent*)
{
    if (m_takingSnapshot)
        return;
    if (m_isTransparent && m_snapshot.isNull()) {
        if (s_snapshotsInProgress > 0)
            return;
        takeSnapshot();
    }

    const bool pressed = isDown();
    const bool focused = hasFocus();
    const QPalette& pal = palette();

    QPainter painter(this);
    QRect r = rect();

    if (!m_isFlat && (focused || isDefault())) {
        painter.fillRect(r, Qt::black);
        r.adjust(1, 1, -1, -1);
    }

    if (m_isTransparent) {
        const qreal dpr = m_snapshot.devicePixelRatio();
        painter.drawPixmap(QRectF(r), m_snapshot, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr));
    } else {
        PaintBackground(painter, r);
    }

    if (pressed) {
        if (!m_isFlat) {
            const QColor shadow = pal.color(QPalette::Dark);
            draw3dRect(painter, r, shadow, shadow);
        } else if (m_drawBorder) {
            PaintBorder(painter, r);
        }
    } else if (!m_isFlat) {
        draw3dRect(painter, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
        draw3dRect(
            painter, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
    } else if (m_mouseOnButton && m_drawBorder) {
        PaintBorder(painter, r);
    }

    const QString caption = text();
    QRect captionRect = r;
    paintIcon(painter, r, pressed, !caption.isEmpty(), &captionRect);
    if (!caption.isEmpty())
        paintCaption(painter, captionRect, pressed);

    if (focused && (!m_isFlat || m_drawFlatFocus)) {
        QPen pen(m_colors[BTNST_COLOR_FG_OUT], 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    } else if (focused && m_focusByKeyboard) {
        // Reached from the keyboard: a mark that shows on any picture under the button.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CButtonST::paintIcon(
    QPainter& painter, const QRect& rect, bool pressed, bool hasCaption, QRect* captionRect) const
{
    if (m_iconIn.isNull())
        return;
    const bool useOut = !m_iconOut.isNull() && !pressed && !m_mouseOnButton;
    QPixmap icon = useOut ? m_iconOut : m_iconIn;
    const QSize size = icon.deviceIndependentSize().toSize();

    QPoint at;
    if (hasCaption) {
        at.setX(rect.left() + 3);
        captionRect->setLeft(at.x() + size.width() + 3);
    } else {
        at.setX(rect.left() + (rect.width() - size.width()) / 2);
    }
    at.setY(rect.top() + (rect.height() - size.height()) / 2);
    if (pressed)
        at += QPoint(1, 1);

    if (!isEnabled()) {
        QStyleOption option;
        option.initFrom(this);
        icon = style()->generatedIconPixmap(QIcon::Disabled, icon, &option);
    }
    painter.drawPixmap(at, icon);
}

void CButtonST::paintCaption(QPainter& painter, QRect captionRect, bool pressed) const
{
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (pressed)
        captionRect.translate(1, 1);
    QRect textRect = painter.fontMetrics().boundingRect(captionRect, flags, text());
    textRect.moveCenter(captionRect.center());

    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(textRect.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(textRect, flags, text());
        return;
    }
    const bool in = m_mouseOnButton || pressed;
    painter.setPen(m_colors[in ? BTNST_COLOR_FG_IN : BTNST_COLOR_FG_OUT]);
    painter.drawText(textRect, flags, text());
}

void CButtonST::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    if (!m_isFlat)
        return;
    if ((event->buttons() & Qt::LeftButton) && !m_mouseOnButton)
        return;
    if (rect().contains(event->position().toPoint())) {
        if (!m_mouseOnButton) {
            m_mouseOnButton = true;
            update();
        }
    } else {
        cancelHover();
    }
}

void CButtonST::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second click of a double click is a click of its own.
    mousePressEvent(event);
}

void CButtonST::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    cancelHover();
}

void CButtonST::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        m_focusByKeyboard = event->reason() != Qt::MouseFocusReason;
}

void CButtonST::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    if (!isEnabled())
        m_focusLostByDisable = true;
    cancelHover();
}

void CButtonST::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            cancelHover();
            // Qt has moved the focus on to the next child, or cleared it when there is
            // none: then the parent takes it.
            if (m_focusLostByDisable && !window()->focusWidget() && parentWidget())
                parentWidget()->setFocus(Qt::OtherFocusReason);
        }
        m_focusLostByDisable = false;
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            cancelHover();
        break;
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::StyleChange:
        m_snapshot = QPixmap();
        break;
    default:
        break;
    }
}

void CButtonST::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    m_snapshot = QPixmap();
}

void CButtonST::moveEvent(QMoveEvent* event)
{
    QPushButton::moveEvent(event);
    m_snapshot = QPixmap();
}
