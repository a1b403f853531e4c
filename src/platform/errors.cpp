#include "platform/errors.h"

#include <QCoreApplication>
#include <cerrno>

namespace platform {
namespace {

std::string translated(const char* text, const std::string& fileName)
{
    return QCoreApplication::translate("Errors", text).arg(QString::fromStdString(fileName)).toStdString();
}

std::string fileErrorText(FileError::Cause cause, const std::string& fileName)
{
    switch (cause) {
    case FileError::Cause::AccessDenied:
        return translated(QT_TRANSLATE_NOOP("Errors", "Access to %1 was denied."), fileName);
    case FileError::Cause::DiskFull:
        return translated(QT_TRANSLATE_NOOP("Errors", "Disk full while accessing %1."), fileName);
    case FileError::Cause::Generic:
        break;
    }
    return translated(QT_TRANSLATE_NOOP("Errors", "An unknown error occurred while accessing %1."), fileName);
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

InvalidArgumentError::InvalidArgumentError() : std::invalid_argument(QT_TRANSLATE_NOOP("Errors", "An invalid argument was encountered.")) {}

} // namespace platform
