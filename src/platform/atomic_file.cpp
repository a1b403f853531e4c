#include "platform/atomic_file.h"

#include "platform/errors.h"
#include "platform/file_trust.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <poll.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <random>
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
bool writableAt(int dirFd, const char* name, const struct stat& st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::faccessat(dirFd, name, W_OK, 0) == 0;
}

// A random tail as mkostemp's, made relative to the checked folder: a name planted in
// advance cannot make the save fail, and no link is followed to make it.
int openUniqueTemp(int dirFd, const std::string& name, std::string& tempName)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = name + kTempInfix + std::to_string(::getpid()) + "-";
        for (int i = 0; i < 6; ++i)
            tempName += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::openat(dirFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
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
std::string descriptorRefusal(const std::string& path, const TrustFacts& facts, const struct stat& st, TrustKind kind)
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

std::string stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return std::string(state) + "/quillby";
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? std::string(home) + "/.local/state/quillby" : std::string();
}

constexpr const char* kRecoveryPrefix = "in-place-";
// The recovery copy being put back at start: it is not replaced by a copy of the torn file.
std::string s_restoringFrom;

std::string recoveryPathFor(const std::string& folder, const std::string& real)
{
    char name[32];
    std::snprintf(name, sizeof name, "%016zx", std::hash<std::string> {}(real));
    return folder + "/" + kRecoveryPrefix + name;
}

bool readAllFrom(int fd, std::string& bytes, long long maxSize)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
            // A file that grew after it was measured is not read past the bound.
            if (static_cast<long long>(bytes.size()) > maxSize)
                return false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n == 0;
    }
}

// Overwrites an existing file where it is. That write cannot be atomic, so the old bytes
// go first to a recovery copy in the user's state folder ("<target>\n<bytes>"), removed
// once the new bytes are on disk; a start after a killed write puts the old file back
// (restoreInterruptedSaves). Without a place for that copy the save is refused. The new
// length is reserved before a byte changes, so running out of room fails with the old
// content still whole.
void writeInPlace(const std::string& path, int dirFd, const std::string& name, const std::string& real,
    std::string_view bytes, bool ownerOnly)
{
    const int fd = ::openat(dirFd, name.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(errno, path);
    std::string old;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !readAllFrom(fd, old, kMaxDataFileSize)) {
        const int err = errno;
        ::close(fd);
        fail(err != 0 ? err : EIO, path);
    }
    const std::string folder = stateFolder();
    std::string recovery = s_restoringFrom;
    try {
        // At start, putting back the copy that is already there.
        if (recovery.empty() && (folder.empty() || !createFolders(folder)))
            throw FileError(FileError::Cause::AccessDenied, folder);
        if (recovery.empty()) {
            recovery = recoveryPathFor(folder, real);
            writeFileAtomically(recovery, real + "\n" + old, FileMode::OwnerOnly);
        }
    } catch (const FileError&) {
        ::close(fd);
        throw FileError(FileError::Cause::AccessDenied, path,
            path + " was not saved: its folder cannot be written, and no copy of the old file could be kept in "
                + (folder.empty() ? std::string("the state folder") : folder)
                + " to put back if the save were cut off.");
    }
    const auto rewrite = [fd](std::string_view content) {
        int err = 0;
        if (!content.empty() && ::fallocate(fd, 0, 0, static_cast<off_t>(content.size())) != 0 && errno != EOPNOTSUPP)
            err = errno;
        if (err == 0 && ::lseek(fd, 0, SEEK_SET) != 0)
            err = errno;
        if (err == 0 && !writeAll(fd, content))
            err = errno;
        if (err == 0 && ::ftruncate(fd, static_cast<off_t>(content.size())) != 0)
            err = errno;
        if (err == 0 && ::fsync(fd) != 0)
            err = errno;
        return err;
    };
    int err = ownerOnly && ::fchmod(fd, 0600) != 0 ? errno : 0;
    if (err == 0)
        err = rewrite(bytes);
    // A failed write may have changed part of it: the old bytes go back at once, else the
    // copy stays for the next start.
    const bool whole = err == 0 || rewrite(old) == 0;
    ::close(fd);
    if (whole)
        ::unlink(recovery.c_str());
    if (err != 0)
        fail(err, path);
}

// The folder that holds a file to be saved, opened one component at a time without
// following any link (the path has its links resolved and judged already): a link
// swapped in afterwards makes the open fail instead of leading elsewhere. Each folder on
// the way is the user's or root's, and the last is not writable by others. Throws.
int openCheckedFolder(const std::string& path, const std::string& folder)
{
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t start = 1;
    const uid_t me = ::geteuid();
    for (;;) {
        struct stat st { };
        if (fd < 0 || ::fstat(fd, &st) != 0)
            fail(fd < 0 ? errno : EIO, path);
        if (st.st_uid != me && st.st_uid != 0) {
            ::close(fd);
            refuse(path, "a folder on its way belongs to another user");
        }
        if (start >= folder.size()) {
            if (othersCanWrite(st.st_mode)) {
                ::close(fd);
                throw FileError(FileError::Cause::AccessDenied, path, refusalText(folder, sharedFolderReason(folder)));
            }
            return fd;
        }
        const auto slash = folder.find('/', start);
        const std::string part = folder.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? folder.size() : slash + 1;
        if (part.empty())
            continue;
        const bool last = start >= folder.size();
        // The last one is opened for reading where it can be, so the rename can be flushed.
        int next = last ? ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
        if (next < 0)
            next = ::openat(fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int err = errno;
        struct stat entry { };
        const bool link = next < 0 && (err == ELOOP || err == ENOTDIR)
            && ::fstatat(fd, part.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode);
        ::close(fd);
        if (link)
            refuse(path, "a folder on its way was replaced by a link while it was saved");
        fd = next;
        errno = err;
    }
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

} // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes, FileMode mode)
{
    // What the readers would refuse is never written: the old file stays readable.
    if (static_cast<long long>(bytes.size()) > kMaxDataFileSize) {
        throw FileError(FileError::Cause::Generic, path,
            path + " was not saved: it would be larger than "
                + std::to_string(kMaxDataFileSize / (1024 * 1024)) + " MB, which could not be read back.");
    }
    const TrustFacts facts = gatherTrustFacts(path);
    const TrustRefusal trust = judgeTrust(path, facts, ::geteuid(), TrustKind::DataFile);
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
    // A symbolic link stays a link: the file it points at is the one replaced. From here
    // on everything is done in its folder, opened and checked once.
    const std::string& real = facts.resolved;
    const std::string name = real.substr(real.find_last_of('/') + 1);
    const int dirFd = openCheckedFolder(path, facts.folderPath);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer { dirFd };
    // rename() would happily replace a read-only file in a writable folder; refuse it
    // first so the old file survives as it would have with a direct write.
    struct stat target { };
    const bool exists = ::fstatat(dirFd, name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        if (S_ISDIR(target.st_mode))
            fail(EISDIR, path);
        if (S_ISLNK(target.st_mode))
            refuse(path, "it was replaced by a link while it was saved");
        const std::string reason = describeTarget(target);
        if (!reason.empty())
            refuse(path, reason);
        if (!writableAt(dirFd, name.c_str(), target))
            fail(EACCES, path);
    }
    struct stat folderStat { };
    if (::fstat(dirFd, &folderStat) != 0)
        fail(errno, path);
    if (!writableAt(dirFd, ".", folderStat)) {
        if (!exists)
            fail(EACCES, path);
        writeInPlace(path, dirFd, name, real, bytes, mode == FileMode::OwnerOnly);
        return;
    }

    std::string tempName;
    const bool ownerOnly = mode == FileMode::OwnerOnly;
    const int fd = openUniqueTemp(dirFd, name, tempName);
    if (fd < 0)
        fail(errno, path);

    // Made 0600, right for a new file.
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
    if (err == 0 && ::renameat(dirFd, tempName.c_str(), dirFd, name.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlinkat(dirFd, tempName.c_str(), 0);
        fail(err, path);
    }
    // Make the rename itself durable (a folder opened only as a path cannot be flushed);
    // the new file is in place either way.
    ::fsync(dirFd);
}

int restoreInterruptedSaves()
{
    const std::string folder = stateFolder();
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> copies;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (entryName.rfind(kRecoveryPrefix, 0) == 0 && entryName.find(kTempInfix) == std::string::npos)
            copies.push_back(folder + "/" + entryName);
    }
    ::closedir(dir);
    int restored = 0;
    for (const std::string& copy : copies) {
        std::string bytes;
        const std::size_t newline = readWholeFile(copy, bytes) ? bytes.find('\n') : std::string::npos;
        if (newline == std::string::npos || newline == 0 || bytes[0] != '/')
            continue;
        const std::string target = bytes.substr(0, newline);
        // Removed since: nothing to put back.
        struct stat st { };
        if (::lstat(target.c_str(), &st) != 0 && errno == ENOENT) {
            ::unlink(copy.c_str());
            continue;
        }
        try {
            // The same save, keeping this copy: cut off again, it is still there next time.
            s_restoringFrom = copy;
            writeFileAtomically(target, std::string_view(bytes).substr(newline + 1));
            s_restoringFrom.clear();
            ::unlink(copy.c_str());
            noteFileMessage(copy, target + " was put back as it was before a save that was cut off.");
            ++restored;
        } catch (const FileError&) {
            s_restoringFrom.clear();
            noteFileMessage(copy, target + " may have been cut off while it was saved; its earlier content is kept in "
                    + copy + ".");
        }
    }
    return restored;
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
    return openTrustedFile(path, kMaxDataFileSize, TrustKind::DataFile);
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

bool isSharedDataFolder(const std::string& folder)
{
    const TrustFacts facts = gatherTrustFacts(folder);
    if (!facts.target.exists || !S_ISDIR(facts.target.mode) || !othersCanWrite(facts.target.mode))
        return false;
    noteRefusal(facts.resolved, sharedFolderReason(facts.resolved));
    return true;
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

bool onSlowFileSystem(int fd)
{
    struct statfs fs { };
    if (::fstatfs(fd, &fs) != 0)
        return false;
    // FUSE, NFS, SMB/CIFS, 9p, Ceph, AFS: their reads may wait on a server for ever.
    constexpr std::uint64_t kSlow[]
        = { 0x65735546, 0x6969, 0xfe534d42, 0xff534d42, 0x517b, 0x01021997, 0x00c36400, 0x5346414f };
    return std::find(std::begin(kSlow), std::end(kSlow), static_cast<std::uint64_t>(fs.f_type)) != std::end(kSlow);
}

bool readBounded(int fd, const std::string& path, std::string& bytes, long long maxSize)
{
    bytes.clear();
    if (!onSlowFileSystem(fd))
        return readAllFrom(fd, bytes, maxSize);
    // Read by a process of its own: a read stuck in the file system holds that process, not
    // this one, which gives up after kSlowReadBoundMs and can always end. Its parent
    // ends at once, so the reader is nobody's child to wait for.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::fork() == 0) {
            // Holding nothing else of ours (the single-instance lock, sockets) while it waits.
            const unsigned lo = static_cast<unsigned>(std::min(fd, pipeFds[1]));
            const unsigned hi = static_cast<unsigned>(std::max(fd, pipeFds[1]));
            if (lo > 3)
                ::close_range(3, lo - 1, 0);
            if (hi > lo + 1)
                ::close_range(lo + 1, hi - 1, 0);
            ::close_range(hi + 1, ~0U, 0);
            char buffer[65536];
            for (;;) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    ::_exit(n == 0 ? 0 : 1);
                if (!writeAll(pipeFds[1], std::string_view(buffer, static_cast<std::size_t>(n))))
                    ::_exit(1);
            }
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    bool ok = child > 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSlowReadBoundMs);
    while (ok) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready { pipeFds[0], POLLIN, 0 };
        const int polled = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0) {
            noteRefusal(path, "it could not be read within " + std::to_string(kSlowReadBoundMs / 1000) + " s");
            ok = false;
            break;
        }
        char buffer[65536];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a reader that failed leaves its end short; the size check below tells
        bytes.append(buffer, static_cast<std::size_t>(n));
        ok = static_cast<long long>(bytes.size()) <= maxSize;
    }
    ::close(pipeFds[0]);
    struct stat st { };
    return ok && ::fstat(fd, &st) == 0 && static_cast<long long>(bytes.size()) == st.st_size;
}

namespace {

bool readOpened(int fd, const std::string& path, std::string& bytes, long long maxSize)
{
    if (fd < 0)
        return false;
    const bool ok = readBounded(fd, path, bytes, maxSize);
    ::close(fd);
    return ok;
}

} // namespace

bool readWholeFile(const std::string& path, std::string& bytes)
{
    return readOpened(openDataFile(path), path, bytes, kMaxDataFileSize);
}

bool readTrustedFile(const std::string& path, std::string& bytes, long long maxSize)
{
    return readOpened(openTrustedFile(path, maxSize), path, bytes, maxSize);
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
