#include "app/autostart.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

std::vector<std::string>& keptOptions()
{
    static std::vector<std::string> options; // one UI thread
    return options;
}

// A login start runs in another working folder.
std::string absolutePath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

} // namespace

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

void SetAutostartOptions(const std::string& dataDir, const std::string& toy)
{
    std::vector<std::string>& options = keptOptions();
    options.clear();
    if (!dataDir.empty())
        options.insert(options.end(), { "--data-dir", absolutePath(dataDir) });
    static const std::string virtualPrefix = "virtual:";
    if (toy.rfind(virtualPrefix, 0) == 0 && toy.size() > virtualPrefix.size())
        options.insert(options.end(), { "--toy", virtualPrefix + absolutePath(toy.substr(virtualPrefix.size())) });
    else if (!toy.empty() && toy != "hid") // the default needs no option
        options.insert(options.end(), { "--toy", toy });
}

std::string AutostartExecLine(const std::string& executable)
{
    std::string line = DesktopExecArgument(executable) + " --hidden";
    for (const std::string& option : keptOptions())
        line += " " + DesktopExecArgument(option);
    return line;
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
        "Exec=" + AutostartExecLine(executable) + "\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n");
}
