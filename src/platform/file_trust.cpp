#include "platform/file_trust.h"

#include <climits>
#include <deque>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr int kMaxLinks = 40; // as the kernel's own limit for one lookup

std::string parentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

TrustFacts::Entry entryOf(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    return { true, st.st_uid, st.st_mode };
}

void pushParts(std::deque<std::string>& parts, const std::string& path)
{
    // In front of what is left, in their own order.
    std::vector<std::string> own;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto slash = path.find('/', start);
        const auto end = slash == std::string::npos ? path.size() : slash;
        if (end > start)
            own.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    parts.insert(parts.begin(), own.begin(), own.end());
}

} // namespace

bool othersCanWrite(mode_t mode)
{
    return (mode & (S_IWGRP | S_IWOTH)) != 0;
}

std::string sharedFolderReason(const std::string& folder)
{
    return "other users can write it, so no data file in it is read or saved (run chmod go-w " + folder
        + " to make it the user's alone)";
}

TrustFacts gatherTrustFacts(const std::string& path)
{
    TrustFacts facts;
    std::deque<std::string> rest;
    pushParts(rest, path);
    if (path.empty() || path.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd))
            pushParts(rest, cwd);
    }
    std::string resolved; // empty: the root
    int links = 0;
    while (!rest.empty()) {
        const std::string part = std::move(rest.front());
        rest.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            resolved = resolved.substr(0, resolved.empty() ? 0 : resolved.find_last_of('/'));
            continue;
        }
        const std::string next = resolved + "/" + part;
        struct stat st { };
        if (::lstat(next.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || ++links > kMaxLinks) {
            resolved = next;
            continue;
        }
        facts.links.emplace_back(next, st.st_uid);
        if (rest.empty()) {
            struct stat folder { };
            facts.finalLinkInSharedFolder
                = ::stat(parentOf(next).c_str(), &folder) != 0 || othersCanWrite(folder.st_mode);
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(next.c_str(), target.data(), target.size());
        if (n <= 0) {
            resolved = next;
            continue;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.front() == '/')
            resolved.clear();
        pushParts(rest, target);
    }
    facts.resolved = resolved.empty() ? "/" : resolved;
    facts.target = entryOf(facts.resolved);
    facts.folderPath = parentOf(facts.resolved);
    facts.folder = entryOf(facts.folderPath);
    for (std::string folder = facts.folderPath;; folder = parentOf(folder)) {
        const TrustFacts::Entry entry = entryOf(folder);
        if (entry.exists)
            facts.folders.emplace_back(folder, entry.owner);
        if (folder == "/")
            break;
    }
    return facts;
}

TrustRefusal judgeTrust(const std::string& path, const TrustFacts& facts, uid_t me, TrustKind kind)
{
    const auto trusted = [me](uid_t owner) { return owner == me || owner == 0; };
    // Another user's link makes us read, and write, whatever they chose.
    for (const auto& [link, owner] : facts.links) {
        if (!trusted(owner))
            return { link, "it is a symbolic link made by another user" };
    }
    // Others could put their own link in its place.
    if (facts.finalLinkInSharedFolder)
        return { path, "it is a symbolic link in a folder other users can write" };
    // A sound another user shares from their own folders, which only they can change.
    const bool shared = kind == TrustKind::Sound && facts.target.exists && !trusted(facts.target.owner)
        && S_ISREG(facts.target.mode) && facts.folder.exists
        && (!(facts.folder.mode & S_IWOTH)
            || ((facts.folder.mode & S_ISVTX) && facts.folder.owner == facts.target.owner));
    if (facts.target.exists && !shared) {
        if (!trusted(facts.target.owner))
            return { path, "it belongs to another user" };
        if (kind != TrustKind::Folder && facts.target.owner != me) {
            // root's file, trusted only where no one else could have changed or placed it.
            if (othersCanWrite(facts.target.mode))
                return { path, "other users can write it" };
            if (facts.folder.exists && othersCanWrite(facts.folder.mode))
                return { path, "it is in a folder other users can write and is not the user's own" };
        }
    }
    // Anyone could rename what is inside, or plant a link while it is saved.
    if (kind == TrustKind::DataFile && facts.folder.exists && othersCanWrite(facts.folder.mode))
        return { facts.folderPath, sharedFolderReason(facts.folderPath) };
    // Its owner could rename what is inside.
    for (const auto& [folder, owner] : facts.folders) {
        if (!trusted(owner) && !(shared && owner == facts.target.owner))
            return { folder, "it belongs to another user" };
    }
    return {};
}

TrustRefusal trustRefusal(const std::string& path, TrustKind kind)
{
    return judgeTrust(path, gatherTrustFacts(path), ::geteuid(), kind);
}

} // namespace platform
