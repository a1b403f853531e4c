#pragma once

#include "sound/key_rule.h" // the main window shares the dialogs' key rule

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
