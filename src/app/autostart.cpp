#include "app/autostart.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

std::string AutostartEntryPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    return base + "/autostart/quillby.desktop";
}

bool AutostartEnabled()
{
    const std::string path = AutostartEntryPath();
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

std::string DesktopExecArgument(const std::string& argument)
{
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`=%";
    if (!argument.empty() && argument.find_first_of(reserved) == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // The key's value is unescaped once more before the Exec rules apply.
    std::string value;
    for (char c : quoted) {
        if (c == '\\')
            value += '\\';
        if (c == '%')
            value += '%';
        value += c;
    }
    return value;
}

void SetAutostart(bool enabled, const std::string& executable)
{
    const std::string path = AutostartEntryPath();
    if (path.empty())
        throw platform::FileError(platform::FileError::Cause::Generic, "quillby.desktop");
    if (!enabled) {
        std::error_code ec;
        if (!std::filesystem::remove(path, ec) && ec)
            throw platform::FileError(platform::FileError::causeFromErrno(ec.value()), path);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (ec)
        throw platform::FileError(platform::FileError::causeFromErrno(ec.value()), path);
    platform::writeFileAtomically(path,
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Quillby\n"
        "Comment=Companion of the nodding USB toy, started hidden in the tray\n"
        "Icon=quillby\n"
        "Exec=" + DesktopExecArgument(executable) + " --hidden\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n");
}
