#pragma once

#include <QString>
#include <thread>

// Maps the Windows faces the windows ask for ("Comic Sans MS", "Arial", "MS Shell Dlg",
// "Microsoft Sans Serif") to look-alike fonts from Debian's packages, with a CJK
// fallback so the Chinese texts render.
void InstallFontSubstitutions();

// The family, or else the first of its substitutes, that is installed; the family itself
// when none is. Asking Qt for a face that is not installed makes it sort all of the
// system's fonts for a stand-in each time a size of it is loaded.
QString InstalledFace(const QString& family);

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
