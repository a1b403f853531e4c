#pragma once

#include <string>

// The folder of the executable, cut after its last "/", so it always ends in "/".
std::string DataFolderFromExecutable(const std::string& executablePath);

// Where the program's helpers (the screen saver) live: <prefix>/lib/quillby/ for an
// installed copy, else the executable's own folder (a build tree).
std::string HelperFolderFromExecutable(const std::string& executablePath);

// Where the program keeps its files: the override when given (with a trailing "/"),
// else the executable's folder when it is writable, else the user's application
// data folder (an installed copy). Creates the chosen folder when it is missing.
struct DataFolderChoice {
    std::string folder;
    bool isFallback = false; // the executable's folder was not writable
};
DataFolderChoice ChooseDataFolder(const std::string& executablePath, const std::string& overrideFolder,
                                  const std::string& fallbackFolder);
