#pragma once

#include <QtGlobal>
#include <array>
#include <string>

// The mail program choice of the mailbox settings and of the profile card: one mapping for
// both. A choice is stored by its number: 0 and 1 name the programs below, 2 ("Other") a
// path of the user's own.
struct MailProgram {
    const char* caption;
    const char* path;
};

inline constexpr std::array<MailProgram, 2> kMailPrograms { {
    { QT_TRANSLATE_NOOP("MailProgram", "Default mail program"), "/usr/bin/xdg-email" },
    { QT_TRANSLATE_NOOP("MailProgram", "Thunderbird"), "/usr/bin/thunderbird" },
} };
inline constexpr int kOtherMailProgram = 2;
inline constexpr const char* kOtherMailProgramCaption = QT_TRANSLATE_NOOP("MailProgram", "Other");

// The choice a stored path stands for.
inline int MailProgramChoice(const std::string& path)
{
    for (std::size_t i = 0; i < kMailPrograms.size(); ++i) {
        if (path == kMailPrograms[i].path)
            return static_cast<int>(i);
    }
    return kOtherMailProgram;
}
