#pragma once

#include "platform/file_trust.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// KeepMode: a new file is the owner's alone (0600), a replaced one keeps its mode.
// OwnerOnly: 0600 on every write.
enum class FileMode { KeepMode, OwnerOnly };

// No data file of ours comes near this; anything larger is left alone.
inline constexpr long long kMaxDataFileSize = 64LL * 1024 * 1024;

// Replaces path with bytes: a temporary file in the same folder ("<name>.tmp<pid>-" and
// random characters), flushed, renamed over the target, all relative to that folder,
// opened once without following links and checked (the user's or root's, not writable
// by others), so a link swapped in meanwhile is never followed. Throws FileError (naming
// path) and leaves the old file intact on failure; bytes larger than kMaxDataFileSize,
// which no reader would take back, are such a failure. A writable file in a folder that
// is not (a shared or managed data folder) is rewritten in place instead: its room is
// reserved first, so a full disk still leaves it intact, and its old bytes are kept in
// $XDG_STATE_HOME/quillby until the write is done (without that copy, it is not saved),
// so restoreInterruptedSaves() puts it back after a kill. What the trust rule
// (file_trust.h, TrustKind::DataFile) refuses is refused here, as is a target that is
// not a regular file or is larger than kMaxDataFileSize.
void writeFileAtomically(const std::string& path, std::string_view bytes, FileMode mode = FileMode::KeepMode);

// Opens a file for reading without blocking: -1 when it cannot be opened or is refused
// (the trust rule of file_trust.h, not a regular file, larger than maxSize). A refusal
// is kept, once per path, for takeRefusedFiles().
int openTrustedFile(const std::string& path, long long maxSize, TrustKind kind = TrustKind::File);
// openTrustedFile for a sound file, read as it plays: of any length, and another
// user's where the sound rule of file_trust.h allows it.
int openSoundFile(const std::string& path);
// openTrustedFile for a data file (refused in a folder others can write, too).
int openDataFile(const std::string& path);
// The refusals and notes since the last call, each a sentence naming its file.
std::vector<std::string> takeRefusedFiles();
// Keeps text for takeRefusedFiles(), once per key.
void noteFileMessage(const std::string& key, const std::string& text);
// Called (on the noting thread) whenever a new text is kept; empty to stop.
void setFileMessageListener(std::function<void()> listener);

// Creates a folder and its missing parents, each 0700. A parent without write bits
// counts as read-only even for the superuser, as the writer above treats it. An existing
// folder the trust rule refuses gives false, and its refusal is kept.
bool createFolders(const std::string& folder);

// True when other users can write folder (a data folder), which then holds no file of
// the program; says so once, with the fix.
bool isSharedDataFolder(const std::string& folder);

// Removes what saves of these files left behind when they were killed between writing
// the temporary file and renaming it: temporaries whose writing process is gone.
// Returns how many were removed.
int removeStaleTemporaries(const std::vector<std::string>& paths);

// Puts back the files whose in-place save was cut off (see writeFileAtomically), each
// said once. Called at start, before anything is read. Returns how many were put back.
int restoreInterruptedSaves();

// Reads the first line (up to, not including, the first newline). Returns false when
// the file cannot be opened for reading or is refused (openDataFile).
bool readFirstLine(const std::string& path, std::string& line);

// Reads the whole file as it is. Returns false when it cannot be opened or read, or is
// refused (openDataFile).
bool readWholeFile(const std::string& path, std::string& bytes);
// The same for any file up to maxSize.
bool readTrustedFile(const std::string& path, std::string& bytes, long long maxSize);

// A read of a file on a network or FUSE file system (which may wait on a server for
// ever) gives up after this, so the UI thread that asked is never held longer.
inline constexpr int kSlowReadBoundMs = 2000;
// Whether fd is on such a file system.
bool onSlowFileSystem(int fd);
// Reads fd (opened by openTrustedFile or openDataFile) whole into bytes, up to maxSize;
// on such a file system through a process of its own, bounded by kSlowReadBoundMs (a
// read that does not finish in time is said once, naming path, and gives false).
bool readBounded(int fd, const std::string& path, std::string& bytes, long long maxSize);

bool fileExists(const std::string& path);

} // namespace platform
