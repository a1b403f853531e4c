#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <array>

class QPainter;

// Every non-black pixel replaced by its luminance 0.299 R + 0.587 G + 0.114 B (truncated)
// in all three channels; alpha kept. Black (the icon's outline and its transparent
// area) stays as it is.
QPixmap GreyIconCopy(const QPixmap& source);

// The push button of every window: paints its own background (a colour, or a snapshot
// of what the parent shows under it), an optional border, an icon and its caption, and
// tracks the pointer so that a flat button can show a hover state.
class CButtonST : public QPushButton {
    Q_OBJECT

public:
    // Colour indexes.
    enum {
        BTNST_COLOR_BK_IN = 0, // background while hovered or pressed
        BTNST_COLOR_FG_IN, // caption while hovered or pressed
        BTNST_COLOR_BK_OUT, // background otherwise
        BTNST_COLOR_FG_OUT, // caption otherwise
        BTNST_COLOR_BK_FOCUS, // background while focused (not hovered, not pressed)
        BTNST_COLOR_FG_FOCUS, // stored only
        BTNST_MAX_COLORS
    };
    // Results.
    static constexpr int BTNST_OK = 0;
    static constexpr int BTNST_INVALIDRESOURCE = 1;
    static constexpr int BTNST_INVALIDINDEX = 3;
    // "Out" icon id that asks for a grey copy of the "in" icon.
    static constexpr int BTNST_AUTO_GRAY = -2;

    explicit CButtonST(QWidget* parent = nullptr);
    explicit CButtonST(const QString& text, QWidget* parent = nullptr);
    ~CButtonST() override;
    Q_DISABLE_COPY_MOVE(CButtonST)

    // Returns BTNST_INVALIDINDEX for an index above 5 (or below 0) and changes nothing.
    int SetColor(int index, const QColor& color, bool repaint = true);
    // An invalid colour for a bad index.
    QColor GetColor(int index) const;
    // Backgrounds back to the palette's button colour, captions to its button text.
    void SetDefaultColors(bool repaint = true);

    void SetDrawBorder(bool enable, bool repaint = true);
    bool GetDrawBorder() const { return m_drawBorder; }
    // Flat buttons draw a border only while hovered. Flat is the default.
    void SetFlat(bool flat, bool repaint = true);
    bool GetFlat() const { return m_isFlat; }
    void SetDrawFlatFocus(bool enable, bool repaint = true);

    // Switches transparent drawing on; the parent's picture under the button is taken
    // again at the next paint.
    void SetTransparent(bool repaint = true);
    bool IsTransparent() const { return m_isTransparent; }
    // Drops the snapshot so the next paint takes a fresh one (the parent's picture changed).
    void ResetTransparentCache(bool repaint = true);
    bool HasTransparentSnapshot() const { return !m_snapshot.isNull(); }

    // Nothing for a null text. An inactive tooltip keeps its text but shows nothing. A
    // button without a caption is named by its tooltip for screen readers.
    void SetTooltipText(const QString& text, bool activate = true);
    void ActivateTooltip(bool activate = true);
    QString GetTooltipText() const { return m_tooltipText; }
    bool IsTooltipActive() const { return m_tooltipActive; }

    // Icons from the icon resources at their own size. outId 0 means no "out" icon,
    // BTNST_AUTO_GRAY a grey copy of the "in" icon; inId 0 removes the icons.
    // On a missing icon all icons are removed and BTNST_INVALIDRESOURCE is returned.
    int SetIcon(int inId, int outId = 0);
    // The same with pixmaps; a null "in" pixmap removes the icons.
    int SetIcon(const QPixmap& in, const QPixmap& out = QPixmap());
    QPixmap GetIconIn() const { return m_iconIn; }
    QPixmap GetIconOut() const { return m_iconOut; }

    // Shown while the pointer is over the button.
    void SetBtnCursor(const QCursor& cursor);
    void ClearBtnCursor();

    bool IsHovered() const { return m_mouseOnButton; }

protected:
    // Fills the background with the colour of the current state.
    virtual void PaintBackground(QPainter& painter, const QRect& rect);
    // The flat button's border: light top-left, shadow bottom-right, reversed while pressed.
    virtual void PaintBorder(QPainter& painter, const QRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

    // Clears the hover state with a repaint.
    void cancelHover();

private:
    void repaintIf(bool repaint);
    void takeSnapshot();
    void paintIcon(
        QPainter& painter, const QRect& rect, bool pressed, bool hasCaption, QRect* captionRect) const;
    void paintCaption(QPainter& painter, QRect captionRect, bool pressed) const;
    static void draw3dRect(
        QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight);

    bool m_isFlat = true;
    bool m_mouseOnButton = false;
    bool m_isTransparent = false;
    bool m_drawBorder = true;
    bool m_drawFlatFocus = false;
    std::array<QColor, BTNST_MAX_COLORS> m_colors;
    QString m_tooltipText;
    bool m_tooltipActive = false;
    QPixmap m_snapshot;
    bool m_takingSnapshot = false;
    bool m_focusLostByDisable = false;
    bool m_focusByKeyboard = false;
    QPixmap m_iconIn;
    QPixmap m_iconOut;
};
