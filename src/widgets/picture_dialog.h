#pragma once

#include <QDialog>
#include <QRect>
#include <functional>

#include <QCheckBox>

class CButtonST;
class QLabel;

// A check box without text that takes a click anywhere on it, not only on its mark.
class BoxCheckBox final : public QCheckBox {
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A modal window made of one full-size picture with its controls laid over it, as the
// guard mode, profile and sound settings windows are. Enter and Delete follow the key
// rule (sound slot 4 or 5, a nod of the toy) and close the window without saving,
// whatever control of it has the focus.
class PictureDialog : public QDialog {
    Q_OBJECT

public:
    // sizeDlu is the client size in dialog units; bitmapId 0 shows no picture.
    PictureDialog(QWidget* parent, int dialogId, QSize sizeDlu, int bitmapId,
                  Qt::WindowFlags flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                      | Qt::WindowCloseButtonHint);
    ~PictureDialog() override;
    Q_DISABLE_COPY_MOVE(PictureDialog)

    QLabel* picture() const { return m_picture; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Whether the key rule applies to a key for this widget of the window; all by default.
    virtual bool keyRuleApplies(QWidget* target) const;

    // A picture button at a place in dialog units: border off, transparent over the
    // picture, with the icon (0 for none) drawn centred.
    CButtonST* addPictureButton(int id, int iconId, QRect dlu);
    // Runs a handler guarded: a file or argument error is reported and ends that handler only.
    void guarded(const std::function<void()>& handler);

private:
    QLabel* m_picture;
};
