#pragma once

#include <cstdint>

// The main window's command guards. A dialog button opens its dialog only when the
// gap since the previous press, modulo one minute, is small.
class PressGuard {
public:
    // Buttons 1002, 1003, 1004: reads the clock, stores the gap and the press time.
    bool press();
    // Buttons 1005 (n = 1) and 1006 (n = 2): the stored gap only, no clock.
    bool gap(int n) const;

    std::int64_t lastPressTime() const { return m_lastPressTime; }
    std::int64_t lastPressGap() const { return m_lastPressGap; }

private:
    std::int64_t m_lastPressTime = 0;
    std::int64_t m_lastPressGap = 0;
};

// The key rule of the main window and the settings dialogs: Enter plays slot 4,
// Delete slot 5, both set g_nodRequest. Returns true when the key was consumed.
// Key codes are Qt::Key values.
bool HandleNodKey(int qtKey);
