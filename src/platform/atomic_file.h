#pragma once

#include <string>
#include <vector>

namespace platform {

// KeepMode: a new file is the owner's alone (0600), a replaced one keeps its mode.
// OwnerOnly: 0600 on every write.
enum class FileMode { KeepMode, OwnerOnly };

// No data file of ours comes near this; anything larger is left alone.
inline constexpr long long kMaxDataFileSize = 64LL * 1024 * 1024;

// Replaces path with bytes: a temporary file in the same folder ("<name>.tmp<pid>-" and
// random characters), flushed, renamed over the target. Throws FileError (naming path)
// and leaves the old file intact on failure. A writable file in a folder that is not (a
// shared or managed data folder) is rewritten in place instead: its room is reserved
// first, so a full disk still leaves it intact, but a crash during that write can tear it.
// A symbolic link the user made is followed; one another user made, or one in a folder
// other users can write, is refused, as is a target that is not a regular file or is
// larger than kMaxDataFileSize.
void writeFileAtomically(const std::string& path, const std::string& bytes, FileMode mode = FileMode::KeepMode);

// Opens a data file for reading without blocking: -1 when it cannot be opened or is
// refused (a planted link, not a regular file, too large). A refusal is kept, once per
// path, for takeRefusedFiles().
int openDataFile(const std::string& path);
// The refusals noted since the last call, each a sentence naming its file.
std::vector<std::string> takeRefusedFiles();

// Creates a folder and its missing parents, each 0700. A parent without write bits
// counts as read-only even for the superuser, as the writer above treats it.
bool createFolders(const std::string& folder);

// Removes what saves of these files left behind when they were killed between writing
// the temporary file and renaming it: temporaries whose writing process is gone.
// Returns how many were removed.
int removeStaleTemporaries(const std::vector<std::string>& paths);

// Reads the first line (up to, not including, the first newline). Returns false when
// the file cannot be opened for reading or is refused (openDataFile).
bool readFirstLine(const std::string& path, std::string& line);

// Reads the whole file as it is. Returns false when it cannot be opened or read, or is
// refused (openDataFile).
bool readWholeFile(const std::string& path, std::string& bytes);

bool fileExists(const std::string& path);

} // namespace platform
