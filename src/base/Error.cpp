#include "Error.h"

#include <cerrno>
#include <cstring>

namespace velmorak {

std::string_view errorKindName(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::InvalidInput:
        return "invalid input";
    case ErrorKind::NotFound:
        return "not found";
    case ErrorKind::PermissionDenied:
        return "permission denied";
    case ErrorKind::WrongFileType:
        return "wrong file type";
    case ErrorKind::Io:
        return "input/output error";
    case ErrorKind::Conflict:
        return "conflict";
    case ErrorKind::LimitExceeded:
        return "limit exceeded";
    case ErrorKind::ProcessFailed:
        return "process failed";
    case ErrorKind::Unsupported:
        return "unsupported";
    }
    return "unknown";
}

Error systemError(std::string_view step, std::string_view what, int error)
{
    ErrorKind kind = ErrorKind::Io;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        kind = ErrorKind::NotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        kind = ErrorKind::PermissionDenied;
        break;
    case EISDIR:
    case ENXIO:
    case ELOOP:
        kind = ErrorKind::WrongFileType;
        break;
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
        kind = ErrorKind::Conflict;
        break;
    case EFBIG:
    case ENAMETOOLONG:
        kind = ErrorKind::LimitExceeded;
        break;
    default:
        break;
    }
    std::string message;
    message.reserve(step.size() + what.size() + 40);
    message.append(step).append(" ").append(what).append(": ").append(std::strerror(error));
    return Error { kind, std::move(message) };
}

} // namespace velmorak
