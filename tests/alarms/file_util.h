#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/stat.h>

namespace test {

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::set<std::string> folderEntries(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Sets a file's or folder's mode and puts the old one back at the end of the scope.
class ScopedMode {
public:
    ScopedMode(std::string path, mode_t mode)
        : m_path(std::move(path))
    {
        struct stat st { };
        ::stat(m_path.c_str(), &st);
        m_old = st.st_mode & 07777;
        ::chmod(m_path.c_str(), mode);
    }
    ~ScopedMode() { ::chmod(m_path.c_str(), m_old); }
    ScopedMode(const ScopedMode&) = delete;
    ScopedMode& operator=(const ScopedMode&) = delete;

private:
    std::string m_path;
    mode_t m_old = 0;
};

} // namespace test
