#include "platform/errors.h"

#include <cerrno>

namespace platform {
namespace {

std::string fileErrorText(FileError::Cause cause, const std::string& fileName)
{
    switch (cause) {
    case FileError::Cause::AccessDenied:
        return "Access to " + fileName + " was denied.";
    case FileError::Cause::DiskFull:
        return "Disk full while accessing " + fileName + ".";
    case FileError::Cause::Generic:
        break;
    }
    return "An unknown error occurred while accessing " + fileName + ".";
}

} // namespace

FileError::FileError(Cause cause, const std::string& fileName)
    : std::runtime_error(fileErrorText(cause, fileName)), m_cause(cause), m_fileName(fileName)
{
}

FileError::FileError(Cause cause, const std::string& fileName, const std::string& text)
    : std::runtime_error(text), m_cause(cause), m_fileName(fileName)
{
}

FileError::Cause FileError::causeFromErrno(int err) noexcept
{
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Cause::AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return Cause::DiskFull;
    default:
        return Cause::Generic;
    }
}

InvalidArgumentError::InvalidArgumentError() : std::invalid_argument("An invalid argument was encountered.") {}

} // namespace platform
