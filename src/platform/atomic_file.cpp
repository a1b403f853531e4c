#include "platform/atomic_file.h"

#include "platform/errors.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kTempInfix = ".tmp";

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

[[noreturn]] void fail(int err, const std::string& path)
{
    throw FileError(FileError::causeFromErrno(err), path);
}

// A file or folder whose write bits are all clear counts as read-only even for the
// superuser, the way a read-only attribute is honoured by every account.
bool writable(const std::string& path, const struct stat& st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::access(path.c_str(), W_OK) == 0;
}

int openUniqueTemp(const std::string& path, std::string& tempPath, mode_t mode)
{
    static std::atomic<unsigned> counter { 0 };
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + kTempInfix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const std::string& bytes)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Overwrites an existing file where it is. The new length is reserved before a byte
// changes, so running out of room fails with the old content still whole.
void writeInPlace(const std::string& path, const std::string& real, const std::string& bytes, bool ownerOnly)
{
    const int fd = ::open(real.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fail(errno, path);
    int err = 0;
    if (ownerOnly && ::fchmod(fd, 0600) != 0)
        err = errno;
    if (err == 0 && !bytes.empty() && ::fallocate(fd, 0, 0, static_cast<off_t>(bytes.size())) != 0 && errno != EOPNOTSUPP)
        err = errno;
    if (err == 0 && !writeAll(fd, bytes))
        err = errno;
    if (err == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        fail(err, path);
}

// "<name>.tmp<pid>-<n>": the pid of the writer, or 0 when name is not such a temporary.
pid_t writerOfTemporary(const std::string& entry, const std::string& name)
{
    const std::string prefix = name + kTempInfix;
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string rest = entry.substr(prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size() || dash > 9)
        return 0;
    if (rest.find_first_not_of("0123456789-") != std::string::npos || rest.find('-', dash + 1) != std::string::npos)
        return 0;
    return static_cast<pid_t>(std::stol(rest.substr(0, dash)));
}

bool processAlive(pid_t pid)
{
    // A temporary with our own pid was left by an earlier process of that number.
    if (pid == ::getpid())
        return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A symbolic link stays a link: the file it points at is the one replaced.
std::string resolveLink(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string out = resolved;
    std::free(resolved);
    return out;
}

} // namespace

void writeFileAtomically(const std::string& path, const std::string& bytes, FileMode mode)
{
    const std::string real = resolveLink(path);
    // rename() would happily replace a read-only file in a writable folder; refuse it
    // first so the old file survives as it would have with a direct write.
    struct stat target { };
    const bool exists = ::stat(real.c_str(), &target) == 0;
    if (exists) {
        if (S_ISDIR(target.st_mode))
            fail(EISDIR, path);
        if (!writable(real, target))
            fail(EACCES, path);
    }
    const std::string folder = folderOf(real);
    struct stat folderStat { };
    if (::stat(folder.c_str(), &folderStat) != 0)
        fail(errno, path);
    if (!writable(folder, folderStat)) {
        if (!exists || !S_ISREG(target.st_mode))
            fail(EACCES, path);
        writeInPlace(path, real, bytes, mode == FileMode::OwnerOnly);
        return;
    }

    std::string tempPath;
    const bool ownerOnly = mode == FileMode::OwnerOnly;
    const int fd = openUniqueTemp(real, tempPath, ownerOnly ? 0600 : 0666);
    if (fd < 0)
        fail(errno, path);

    int err = 0;
    if (exists) {
        // Keep owner (where allowed) and mode of the file being replaced.
        const int ownerKept = ::fchown(fd, target.st_uid, target.st_gid);
        (void)ownerKept;
        if (::fchmod(fd, ownerOnly ? 0600 : target.st_mode & 07777) != 0)
            err = errno;
    }
    if (err == 0 && !writeAll(fd, bytes))
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tempPath.c_str(), real.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tempPath.c_str());
        fail(err, path);
    }

    // Make the rename itself durable; the new file is in place either way.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

int removeStaleTemporaries(const std::vector<std::string>& paths)
{
    std::set<std::string> folders;
    for (const std::string& path : paths)
        folders.insert(folderOf(path));
    int removed = 0;
    for (const std::string& folder : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            for (const std::string& path : paths) {
                if (folderOf(path) != folder)
                    continue;
                const pid_t writer = writerOfTemporary(entry->d_name, path.substr(path.find_last_of('/') + 1));
                if (writer > 0 && !processAlive(writer) && ::unlink((folder + "/" + entry->d_name).c_str()) == 0)
                    ++removed;
            }
        }
        ::closedir(dir);
    }
    return removed;
}

bool readWholeFile(const std::string& path, std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool readFirstLine(const std::string& path, std::string& line)
{
    // The data files are one short line; reading them whole costs nothing more.
    if (!readWholeFile(path, line))
        return false;
    const std::size_t newline = line.find('\n');
    if (newline != std::string::npos)
        line.resize(newline);
    return true;
}

bool fileExists(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace platform
