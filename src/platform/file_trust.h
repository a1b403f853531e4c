#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace platform {

// One rule for every file and folder the program reads or writes: nothing another user
// owns, nothing reached through another user's symbolic link, and no file in a folder
// other users can write unless the user owns it. root counts as the user's own where it
// cannot be changed by others (its file is not writable by group or others).

// What the file system says about one path, gathered by gatherTrustFacts().
struct TrustFacts {
    struct Entry {
        bool exists = false;
        uid_t owner = 0;
        mode_t mode = 0;
    };
    std::vector<std::pair<std::string, uid_t>> links; // every link on the way, and its owner
    bool finalLinkInSharedFolder = false; // the path itself is a link in a folder others can write
    std::string resolved; // the path with every link followed
    Entry target; // what the path names, after its links
    std::string folderPath; // the folder holding it, after links
    Entry folder;
    std::vector<std::pair<std::string, uid_t>> folders; // that folder and each above it, and their owners
};

// DataFile: a file the program keeps or writes, which is also refused in a folder other
// users can write (sticky or not): they could swap in a link or a file of theirs.
// Sound: a file only read (and never given back to anyone), so another user's is fine
// where no third user could have put it there: its folder is not world-writable, or
// is sticky and belongs to the file's owner.
enum class TrustKind { File, Folder, DataFile, Sound };

// The refusal of a data file's folder that others can write (its fix included).
std::string sharedFolderReason(const std::string& folder);
// Whether folder's mode lets other users write it.
bool othersCanWrite(mode_t mode);

// A refusal names the path it is about (the link or folder at fault, or the path itself)
// and says why in a clause ("it belongs to another user").
struct TrustRefusal {
    std::string path;
    std::string reason;
    bool refused() const { return !reason.empty(); }
};

// The rule itself, on gathered facts: an empty reason when the path may be used.
TrustRefusal judgeTrust(const std::string& path, const TrustFacts& facts, uid_t me, TrustKind kind);

// Walks path component by component (following each link, at most 40) without opening
// anything, so no FIFO or device is ever opened to judge it.
TrustFacts gatherTrustFacts(const std::string& path);

// Both, for the effective user.
TrustRefusal trustRefusal(const std::string& path, TrustKind kind);

} // namespace platform
