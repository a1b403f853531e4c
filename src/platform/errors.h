#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A data file that cannot be written or created; what() is the text shown to the user.
class FileError : public std::runtime_error {
public:
    enum class Cause { AccessDenied, DiskFull, Generic };
    FileError(Cause cause, const std::string& fileName);
    // A file left alone on purpose; text says why.
    FileError(Cause cause, const std::string& fileName, const std::string& text);
    Cause cause() const noexcept { return m_cause; }
    const std::string& fileName() const noexcept { return m_fileName; }
    // Maps an errno value to a cause.
    static Cause causeFromErrno(int err) noexcept;

private:
    Cause m_cause;
    std::string m_fileName;
};

// An index past the end of a string or a date that cannot be represented.
class InvalidArgumentError : public std::invalid_argument {
public:
    InvalidArgumentError();
};

} // namespace platform
