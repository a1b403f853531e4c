#pragma once

#include <string>

namespace platform {

// Shared: the umask's mode, or the replaced file's. OwnerOnly: 0600 on every write.
enum class FileMode { Shared, OwnerOnly };

// Replaces path with bytes: a temporary file in the same folder, flushed, renamed over
// the target. Throws FileError (naming path) and leaves the old file intact on failure.
void writeFileAtomically(const std::string& path, const std::string& bytes, FileMode mode = FileMode::Shared);

// Reads the first line (up to, not including, the first newline). Returns false when
// the file cannot be opened for reading.
bool readFirstLine(const std::string& path, std::string& line);

// Reads the whole file as it is. Returns false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes);

bool fileExists(const std::string& path);

} // namespace platform
