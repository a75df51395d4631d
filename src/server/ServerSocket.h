#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/Error.h"

namespace velmorak {

// The one TCP connection to a chess server, as the client needs it: a bounded connect, whole
// sends that never raise a signal, and reads that never wait. Used from one thread.
class ServerSocket {
public:
    enum class ReceiveStatus {
        Data, // bytes were read
        Nothing, // nothing is waiting
        Closed, // the server closed the connection
        Failed, // the connection broke, or none is open
    };

    // How long a connect may take, name lookup included.
    static constexpr int kConnectTimeoutMs = 15000;
    // The texts of a failed connect, as the user sees them.
    static constexpr std::string_view kNoSocketText = "Could not open socket!";
    static constexpr std::string_view kHostNotFoundText =
        "Did not find host, gethostbyname failed.\nPlease connect to the internet first.";
    static constexpr std::string_view kConnectFailedText = "Found host but connect failed.";

    virtual ~ServerSocket() = default;

    // Closes any open connection, then connects to `host` (a name, or a numeric IPv4 or IPv6
    // address, taken as it is without any lookup) on `port`, trying each address of the host
    // in turn, within `timeoutMs` in all. Fails with one of the texts above: InvalidInput
    // (kConnectFailedText) for a port outside 1 to 65535, NotFound (kHostNotFoundText) for a
    // name that does not resolve in time, Io (kNoSocketText or kConnectFailedText) otherwise.
    virtual Status connect(std::string_view host, int port, int timeoutMs = kConnectTimeoutMs) = 0;
    virtual bool isOpen() const = 0;

    // Sends all of `bytes`, resuming after a partial send with the rest, waiting at most
    // `timeoutMs` for the connection to take more. `sent` tells how many bytes went, also on
    // failure, so that a retry sends only the rest. Never raises SIGPIPE: a connection the
    // server closed is an Io failure.
    virtual Status send(std::string_view bytes, std::size_t& sent, int timeoutMs) = 0;

    // Replaces `into` with at most `maxBytes` bytes that are waiting, without waiting for any.
    virtual ReceiveStatus receive(std::string& into, std::size_t maxBytes) = 0;

    // Closes the connection; nothing happens when none is open.
    virtual void close() = 0;
};

} // namespace velmorak
