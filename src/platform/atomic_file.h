#pragma once

#include <string>
#include <vector>

namespace platform {

// Shared: the umask's mode, or the replaced file's. OwnerOnly: 0600 on every write.
enum class FileMode { Shared, OwnerOnly };

// Replaces path with bytes: a temporary file in the same folder ("<name>.tmp<pid>-<n>"),
// flushed, renamed over the target. Throws FileError (naming path) and leaves the old
// file intact on failure. A writable file in a folder that is not (a shared or managed
// data folder) is rewritten in place instead: its room is reserved first, so a full
// disk still leaves it intact, but a crash during that write can tear it.
void writeFileAtomically(const std::string& path, const std::string& bytes, FileMode mode = FileMode::Shared);

// Removes what saves of these files left behind when they were killed between writing
// the temporary file and renaming it: temporaries whose writing process is gone.
// Returns how many were removed.
int removeStaleTemporaries(const std::vector<std::string>& paths);

// Reads the first line (up to, not including, the first newline). Returns false when
// the file cannot be opened for reading.
bool readFirstLine(const std::string& path, std::string& line);

// Reads the whole file as it is. Returns false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes);

bool fileExists(const std::string& path);

} // namespace platform
