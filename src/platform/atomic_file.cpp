#include "platform/atomic_file.h"

#include "platform/errors.h"
#include "platform/file_trust.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// mkostemp's random tail: a name planted in advance cannot make the save fail.
int openUniqueTemp(const std::string& path, std::string& tempPath)
{
    std::string pattern = path + kTempInfix + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    tempPath = pattern;
    return fd;
}

std::string describeTarget(const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return "it is not a regular file";
    if (st.st_size > kMaxDataFileSize)
        return "it is larger than " + std::to_string(kMaxDataFileSize / (1024 * 1024)) + " MB";
    return {};
}

std::string refusalText(const std::string& path, const std::string& reason)
{
    return path + " was left untouched: " + reason + ".";
}

[[noreturn]] void refuse(const std::string& path, const std::string& reason)
{
    throw FileError(FileError::Cause::AccessDenied, path, refusalText(path, reason));
}

struct Refusals {
    std::mutex lock;
    std::set<std::string> said;
    std::vector<std::string> pending;
    std::function<void()> listener;
};

Refusals& refusals()
{
    static Refusals r;
    return r;
}

void noteRefusal(const std::string& path, const std::string& reason)
{
    noteFileMessage(path, refusalText(path, reason));
}

// The trust rule (file_trust.h) applied to what an open descriptor shows, so a file
// swapped in after the path was judged is judged again.
std::string descriptorRefusal(
    const std::string& path, const TrustFacts& facts, const struct stat& st, TrustKind kind = TrustKind::File)
{
    TrustFacts opened = facts;
    opened.target = { true, st.st_uid, st.st_mode };
    return judgeTrust(path, opened, ::geteuid(), kind).reason;
}

bool writeAll(int fd, std::string_view bytes)
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
void writeInPlace(const std::string& path, const std::string& real, std::string_view bytes, bool ownerOnly)
{
    const int fd = ::open(real.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
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

// "<name>.tmp<pid>-XXXXXX": the pid of the writer, or 0 when name is not such a temporary.
pid_t writerOfTemporary(const std::string& entry, const std::string& name)
{
    const std::string prefix = name + kTempInfix;
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string rest = entry.substr(prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size() || dash > 9)
        return 0;
    if (rest.find_first_not_of("0123456789") < dash)
        return 0;
    // mkostemp's six letters and digits, or an older save's counter.
    const std::string tail = rest.substr(dash + 1);
    const bool counter = tail.find_first_not_of("0123456789") == std::string::npos;
    const bool random = tail.size() == 6
        && std::all_of(tail.begin(), tail.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    if (!counter && !random)
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

void writeFileAtomically(const std::string& path, std::string_view bytes, FileMode mode)
{
    // What the readers would refuse is never written: the old file stays readable.
    if (static_cast<long long>(bytes.size()) > kMaxDataFileSize) {
        throw FileError(FileError::Cause::Generic, path,
            path + " was not saved: it would be larger than "
                + std::to_string(kMaxDataFileSize / (1024 * 1024)) + " MB, which could not be read back.");
    }
    const TrustRefusal trust = trustRefusal(path, TrustKind::File);
    if (trust.refused()) {
        const std::string text = refusalText(trust.path, trust.reason);
        // The error shows it; it is not said a second time.
        {
            Refusals& r = refusals();
            const std::lock_guard<std::mutex> guard(r.lock);
            r.said.insert(trust.path);
            r.pending.erase(std::remove(r.pending.begin(), r.pending.end(), text), r.pending.end());
        }
        throw FileError(FileError::Cause::AccessDenied, path, text);
    }
    const std::string real = resolveLink(path);
    // rename() would happily replace a read-only file in a writable folder; refuse it
    // first so the old file survives as it would have with a direct write.
    struct stat target { };
    const bool exists = ::stat(real.c_str(), &target) == 0;
    if (exists) {
        if (S_ISDIR(target.st_mode))
            fail(EISDIR, path);
        const std::string reason = describeTarget(target);
        if (!reason.empty())
            refuse(path, reason);
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
    const int fd = openUniqueTemp(real, tempPath);
    if (fd < 0)
        fail(errno, path);

    // mkostemp made it 0600, right for a new file.
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

int openTrustedFile(const std::string& path, long long maxSize, TrustKind kind)
{
    const TrustFacts facts = gatherTrustFacts(path);
    const TrustRefusal trust = judgeTrust(path, facts, ::geteuid(), kind);
    if (trust.refused()) {
        noteRefusal(trust.path, trust.reason);
        return -1;
    }
    // Not blocking: a FIFO would otherwise hold the program in open() until a writer came.
    // The links on the way were judged above; the descriptor is judged again below.
    const int fd = ::open(facts.resolved.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return -1;
    }
    std::string reason = descriptorRefusal(path, facts, st, kind);
    if (reason.empty() && !S_ISREG(st.st_mode))
        reason = "it is not a regular file";
    if (reason.empty() && st.st_size > maxSize)
        reason = "it is larger than " + std::to_string(maxSize / (1024 * 1024)) + " MB";
    if (!reason.empty()) {
        ::close(fd);
        // A folder was never a readable file; it needs no message.
        if (!S_ISDIR(st.st_mode))
            noteRefusal(path, reason);
        return -1;
    }
    return fd;
}

int openDataFile(const std::string& path)
{
    return openTrustedFile(path, kMaxDataFileSize);
}

int openSoundFile(const std::string& path)
{
    return openTrustedFile(path, LLONG_MAX, TrustKind::Sound);
}

void noteFileMessage(const std::string& key, const std::string& text)
{
    std::function<void()> listener;
    {
        Refusals& r = refusals();
        const std::lock_guard<std::mutex> guard(r.lock);
        if (!r.said.insert(key).second)
            return;
        r.pending.push_back(text);
        listener = r.listener;
    }
    if (listener)
        listener();
}

void setFileMessageListener(std::function<void()> listener)
{
    Refusals& r = refusals();
    const std::lock_guard<std::mutex> guard(r.lock);
    r.listener = std::move(listener);
}

std::vector<std::string> takeRefusedFiles()
{
    Refusals& r = refusals();
    const std::lock_guard<std::mutex> guard(r.lock);
    return std::exchange(r.pending, {});
}

bool createFolders(const std::string& folder)
{
    struct stat st { };
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            return false;
        const TrustRefusal trust = trustRefusal(folder, TrustKind::Folder);
        if (trust.refused())
            noteRefusal(trust.path, trust.reason);
        return !trust.refused();
    }
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        // The parent is judged (when it exists) before anything is made in it.
        const std::string parent = trimmed.substr(0, slash);
        if (!createFolders(parent) || ::stat(parent.c_str(), &st) != 0)
            return false;
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(parent.c_str(), W_OK) != 0)
            return false;
    }
    return ::mkdir(trimmed.c_str(), 0700) == 0 || errno == EEXIST;
}

bool readWholeFile(const std::string& path, std::string& bytes)
{
    return readTrustedFile(path, bytes, kMaxDataFileSize);
}

bool readTrustedFile(const std::string& path, std::string& bytes, long long maxSize)
{
    const int fd = openTrustedFile(path, maxSize);
    if (fd < 0)
        return false;
    bytes.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
            // A file that grew after it was measured is not read past the bound.
            if (static_cast<long long>(bytes.size()) > maxSize) {
                ok = false;
                break;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        ok = n == 0;
        break;
    }
    ::close(fd);
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
