#include "app/data_folder.h"

#include "platform/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

std::string withTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Tries a write instead of asking for permission bits, which root always has: an
// unnamed temporary file, or where the file system has none, a probe removed at once.
bool folderWritable(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR)
        return false;
    const std::string probe = folder + ".quillby-write-probe-" + std::to_string(::getpid());
    fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

} // namespace

std::string DataFolderFromExecutable(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return executablePath.substr(0, slash + 1);
}

std::string HelperFolderFromExecutable(const std::string& executablePath)
{
    const std::string own = DataFolderFromExecutable(executablePath);
    std::error_code ec;
    const std::filesystem::path installed
        = std::filesystem::path(own + "../" QUILLBY_HELPER_DIR "/").lexically_normal();
    if (std::filesystem::exists(installed / "MfcSaver.scr", ec))
        return installed.string();
    return own;
}

DataFolderChoice ChooseDataFolder(const std::string& executablePath, const std::string& overrideFolder,
                                  const std::string& fallbackFolder)
{
    // Folders made here hold the profile and the alarms: the owner's alone.
    // A folder others can write is refused (and said): nothing is read or saved in it.
    if (!overrideFolder.empty()) {
        platform::createFolders(overrideFolder);
        platform::isSharedDataFolder(overrideFolder);
        return {withTrailingSlash(overrideFolder), false};
    }
    const std::string own = DataFolderFromExecutable(executablePath);
    if (folderWritable(own) || fallbackFolder.empty()) {
        platform::isSharedDataFolder(own);
        return {own, false};
    }
    platform::createFolders(fallbackFolder);
    platform::isSharedDataFolder(fallbackFolder);
    return {withTrailingSlash(fallbackFolder), true};
}
