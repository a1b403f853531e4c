#include "device/toy_rule_install.h"

#include "device/toy_rule.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Fd {
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::string errorText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// A folder we write in, or walk through, must not let anyone else swap what lies in it.
std::string checkFolder(int fd, const std::string& path)
{
    struct stat info { };
    if (::fstat(fd, &info) != 0)
        return errorText(path);
    if (info.st_uid != 0 && info.st_uid != ::geteuid())
        return path + " belongs to another user";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return path + " is writable by others";
    return {};
}

std::string openFolder(int parent, const std::string& name, const std::string& path, Fd* out)
{
    int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        if (::mkdirat(parent, name.c_str(), 0755) != 0 && errno != EEXIST)
            return errorText("cannot create " + path);
        fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0)
        return errno == ENOTDIR || errno == ELOOP ? path + " is not a folder" : errorText(path);
    *out = Fd(fd);
    return checkFolder(fd, path);
}

// The file holds the rule and nothing else, and nobody but its owner may change it.
std::string checkWritten(int folder, const std::string& name, const std::string& path)
{
    const Fd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return errorText("cannot read back " + path);
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0)
        return errorText(path);
    if (!S_ISREG(info.st_mode) || (info.st_mode & 07777) != 0644 || info.st_uid != ::geteuid()
        || (::geteuid() == 0 && info.st_gid != 0))
        return path + " does not have owner root and mode 0644";
    const std::string_view rule = ToyRuleText();
    std::string text(rule.size() + 1, '\0');
    const ssize_t got = ::read(fd.get(), text.data(), text.size());
    if (got != static_cast<ssize_t>(rule.size()) || std::string_view(text.data(), rule.size()) != rule)
        return path + " does not hold the rule as written";
    return {};
}

std::string writeRule(const RuleInstallSeam& seam, std::string* installedPath)
{
    std::string path = seam.root.empty() ? "/" : seam.root;
    Fd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0)
        return errorText(path);
    if (std::string problem = checkFolder(folder.get(), path); !problem.empty())
        return problem;
    const std::string_view target = kToyRuleFolder;
    for (std::size_t start = 1; start < target.size();) {
        std::size_t end = target.find('/', start);
        if (end == std::string_view::npos)
            end = target.size();
        const std::string name(target.substr(start, end - start));
        start = end + 1;
        path += (path.back() == '/' ? "" : "/") + name;
        Fd next;
        if (std::string problem = openFolder(folder.get(), name, path, &next); !problem.empty())
            return problem;
        folder = std::move(next);
    }
    const std::string name(kToyRuleFileName);
    const std::string finalPath = path + "/" + name;
    const std::string temporary = "." + name + "." + std::to_string(::getpid());
    ::unlinkat(folder.get(), temporary.c_str(), 0);
    {
        const Fd out(::openat(
            folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (out.get() < 0)
            return errorText("cannot create a file in " + path);
        const std::string_view rule = ToyRuleText();
        const bool written = ::write(out.get(), rule.data(), rule.size()) == static_cast<ssize_t>(rule.size())
            && (::geteuid() != 0 || ::fchown(out.get(), 0, 0) == 0) && ::fchmod(out.get(), 0644) == 0
            && ::fsync(out.get()) == 0;
        if (!written) {
            const std::string problem = errorText("cannot write " + finalPath);
            ::unlinkat(folder.get(), temporary.c_str(), 0);
            return problem;
        }
    }
    if (std::string problem = checkWritten(folder.get(), temporary, finalPath); !problem.empty()) {
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return problem;
    }
    if (::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) {
        const std::string problem = errorText("cannot replace " + finalPath);
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return problem;
    }
    ::fsync(folder.get());
    if (installedPath)
        *installedPath = finalPath;
    return checkWritten(folder.get(), name, finalPath);
}

} // namespace

std::string InstallToyRule(const RuleInstallSeam& seam, std::string* installedPath)
{
    if (std::string problem = writeRule(seam, installedPath); !problem.empty())
        return problem;
    const std::vector<std::vector<std::string>> commands = {
        { seam.udevadm, "control", "--reload" },
        { seam.udevadm, "trigger", "--subsystem-match=hidraw", "--action=add" },
    };
    for (const auto& command : commands) {
        const int status = seam.run(command);
        if (status != 0) {
            std::string line;
            for (const std::string& word : command)
                line += (line.empty() ? "" : " ") + word;
            return "the rule is installed, but \"" + line + "\" failed"
                + (status < 0 ? std::string() : " (status " + std::to_string(status) + ")");
        }
    }
    return {};
}

int RunProgram(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& word : argv)
        args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);
    char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    char* environment[] = { path, nullptr };
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        ::execve(args[0], args.data(), environment);
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
