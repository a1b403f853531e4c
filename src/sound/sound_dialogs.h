#pragma once

#include "sound/sound_table.h"
#include "widgets/picture_dialog.h"

#include <QScrollArea>
#include <array>

class CButtonST;
class QCheckBox;
class QLineEdit;

// The slot rows of the sound settings: a file and an on/off box per slot, in a child
// that scrolls inside the frame. Ten rows show; the eleventh slot ("@#") is loaded and
// saved with them but has no visible row.
class CSoundSec final : public QScrollArea {
    Q_OBJECT

public:
    explicit CSoundSec(QWidget* parent);

    // Loads the table into the rows, or after RequestReset empties names and boxes
    // (the paths stay, so a save keeps them).
    void InitDialog();
    void RequestReset() { m_resetRequest = 1; }

    // The boxes as of the last click or initialisation, and the chosen paths.
    const SoundFlags& flags() const { return m_flags; }
    const SoundPaths& paths() const { return m_paths; }
    QLineEdit* rowEdit(int slot) const { return m_edits[static_cast<std::size_t>(slot - 1)]; }
    QCheckBox* rowCheck(int slot) const { return m_checks[static_cast<std::size_t>(slot - 1)]; }
    CButtonST* rowBrowse(int slot) const { return m_browse[static_cast<std::size_t>(slot - 1)]; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pullFlags();
    void browse(int slot);

    QWidget* m_content;
    std::array<QLineEdit*, kSoundSlotCount> m_edits{};
    std::array<CButtonST*, kSoundSlotCount> m_browse{};
    std::array<QCheckBox*, kSoundSlotCount> m_checks{};
    SoundFlags m_flags{};
    SoundPaths m_paths;
    int m_resetRequest = 0;
};

// The sound settings: the scrolling rows with SAVE, QUIT and RESET under them.
// Nothing is written until SAVE.
class CSoundCfg final : public PictureDialog {
    Q_OBJECT

public:
    explicit CSoundCfg(QWidget* parent = nullptr);

    CSoundSec* rows() const { return m_rows; }

protected:
    // The frame's key rule holds only for the frame and its own three buttons; keys
    // inside the rows are the rows' own.
    bool keyRuleApplies(QWidget* target) const override;

private:
    CSoundSec* m_rows;
    std::array<CButtonST*, 3> m_buttons{};
};
