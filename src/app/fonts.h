#pragma once

#include <thread>

// Maps the Windows faces the windows ask for ("Comic Sans MS", "Arial", "MS Shell Dlg",
// "Microsoft Sans Serif") to look-alike fonts from Debian's packages, with a CJK
// fallback so the Chinese texts render.
void InstallFontSubstitutions();

// Loads the system's font configuration on a worker thread while the rest of start-up
// runs: parsing it is the largest single cost before the first paint. Joined on
// destruction, before anything draws text.
class FontConfigurationWarmUp {
public:
    FontConfigurationWarmUp();
    ~FontConfigurationWarmUp();
    FontConfigurationWarmUp(const FontConfigurationWarmUp&) = delete;
    FontConfigurationWarmUp& operator=(const FontConfigurationWarmUp&) = delete;

private:
    std::thread m_thread;
};
