#pragma once

#include <cassert>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace velmorak {

// What went wrong, coarsely enough for a caller to choose what to do next; the message
// says the rest to the user.
enum class ErrorKind {
    InvalidInput, // text or a file's contents that cannot be read as what it should be
    NotFound, // a file, folder, program or entry that does not exist
    PermissionDenied, // the system refused access
    WrongFileType, // a device, FIFO, folder or other non-regular file where a file belongs
    Io, // a read, write, sync or rename that failed
    Conflict, // another program changed or holds what we work on
    LimitExceeded, // input past a limit the program keeps
    ProcessFailed, // a helper program (an engine) could not be started, answered wrongly or died
    Unsupported, // valid, but not something this program does
};

// The short English name of a kind ("not found"), for logs and tests.
std::string_view errorKindName(ErrorKind kind);

// One failure: its kind and a message meant for the user, complete in itself ("cannot open
// games.pgn: No such file or directory"). Error values are cheap to move and never throw
// beyond allocation.
struct Error {
    ErrorKind kind = ErrorKind::InvalidInput;
    std::string message;

    friend bool operator==(const Error&, const Error&) = default;
};

// A value of type T or the Error that prevented it. Every function of ours that can fail
// returns one (Status when there is no value), so that "failed" never hides in an empty
// optional or a sentinel string. Reading value() of a failed result, or error() of a
// successful one, is a programming error caught by an assert.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Error error)
        : m_state(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    const T& value() const&
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(m_state));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // The value, or `fallback` when this result failed.
    T valueOr(T fallback) const& { return ok() ? std::get<0>(m_state) : std::move(fallback); }

    const Error& error() const
    {
        assert(!ok());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, Error> m_state;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
        , m_failed(true)
    {
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }

    const Error& error() const
    {
        assert(m_failed);
        return m_error;
    }

private:
    Error m_error;
    bool m_failed = false;
};

// Success or an Error, for operations that produce nothing.
using Status = Result<void>;

// The errno-based failure of a system call: "STEP WHAT: strerror(error)", with the kind the
// errno value stands for (ENOENT: NotFound, EACCES/EPERM/EROFS: PermissionDenied, ...).
Error systemError(std::string_view step, std::string_view what, int error);

} // namespace velmorak
