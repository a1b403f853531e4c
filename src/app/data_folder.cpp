#include "app/data_folder.h"

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

} // namespace

std::string DataFolderFromExecutable(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return executablePath.substr(0, slash + 1);
}

DataFolderChoice ChooseDataFolder(const std::string& executablePath, const std::string& overrideFolder,
                                  const std::string& fallbackFolder)
{
    std::error_code ec;
    if (!overrideFolder.empty()) {
        std::filesystem::create_directories(overrideFolder, ec);
        return {withTrailingSlash(overrideFolder), false};
    }
    const std::string own = DataFolderFromExecutable(executablePath);
    if (::access(own.c_str(), W_OK) == 0 || fallbackFolder.empty())
        return {own, false};
    std::filesystem::create_directories(fallbackFolder, ec);
    return {withTrailingSlash(fallbackFolder), true};
}
