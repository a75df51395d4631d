#include "InstanceMessage.h"

#include <algorithm>
#include <optional>

namespace velmorak {

namespace {

constexpr std::string_view kMagic = "VMK-OPEN ";

Error malformed(std::string_view what)
{
    return Error { ErrorKind::InvalidInput, "malformed instance message: " + std::string(what) };
}

std::optional<Error> checkPath(std::string_view path)
{
    if (path.empty())
        return malformed("empty path");
    if (path.size() > kMaxInstancePathLength)
        return Error { ErrorKind::LimitExceeded,
            "path longer than " + std::to_string(kMaxInstancePathLength) + " bytes" };
    if (path.front() != '/')
        return malformed("relative path");
    if (path.find('\0') != std::string_view::npos)
        return malformed("NUL byte in a path");
    return std::nullopt;
}

// The decimal number at `pos` ended by `terminator`. Leading zeros and numbers above
// `limit` are refused at once, so a peer cannot announce a huge length and make us wait.
// Sets `complete` to false when the bytes end before the terminator.
Result<std::size_t> readNumber(
    std::string_view bytes, std::size_t& pos, char terminator, std::size_t limit, bool& complete)
{
    std::size_t start = pos;
    std::size_t value = 0;
    while (pos < bytes.size() && bytes[pos] != terminator) {
        char c = bytes[pos];
        if (c < '0' || c > '9')
            return malformed("digit expected");
        if (pos > start && bytes[start] == '0')
            return malformed("leading zero");
        value = value * 10 + static_cast<std::size_t>(c - '0');
        if (value > limit)
            return Error { ErrorKind::LimitExceeded,
                "instance message: " + std::to_string(value) + " is above " +
                    std::to_string(limit) };
        ++pos;
    }
    if (pos == bytes.size()) {
        complete = false;
        return value;
    }
    if (pos == start)
        return malformed("number expected");
    ++pos; // the terminator
    return value;
}

} // namespace

Result<std::string> encodeInstanceMessage(const std::vector<std::string>& files)
{
    if (files.size() > kMaxInstanceFiles)
        return Error { ErrorKind::LimitExceeded,
            "more than " + std::to_string(kMaxInstanceFiles) + " files" };
    std::string message = std::string(kMagic) + std::to_string(files.size()) + "\n";
    for (const std::string& path : files) {
        if (std::optional<Error> error = checkPath(path))
            return *error;
        message += std::to_string(path.size()) + ":" + path + "\n";
    }
    return message;
}

Result<InstanceMessageRead> readInstanceMessage(std::string_view bytes)
{
    InstanceMessageRead read;
    std::size_t magic = std::min(bytes.size(), kMagic.size());
    if (bytes.substr(0, magic) != kMagic.substr(0, magic))
        return malformed("not a Velmorak message");
    if (bytes.size() <= kMagic.size())
        return read;

    bool complete = true;
    std::size_t pos = kMagic.size();
    Result<std::size_t> count = readNumber(bytes, pos, '\n', kMaxInstanceFiles, complete);
    if (!count)
        return count.error();
    if (!complete)
        return read;
    for (std::size_t i = 0; i < *count; ++i) {
        Result<std::size_t> length = readNumber(bytes, pos, ':', kMaxInstancePathLength, complete);
        if (!length)
            return length.error();
        if (!complete)
            return InstanceMessageRead {};
        if (*length == 0)
            return malformed("empty path");
        std::string_view path = bytes.substr(pos, *length);
        if (path.empty())
            return InstanceMessageRead {};
        // The part of a path received so far must already be sound.
        if (std::optional<Error> error = checkPath(path))
            return *error;
        if (path.size() < *length)
            return InstanceMessageRead {};
        pos += *length;
        if (pos == bytes.size())
            return InstanceMessageRead {};
        if (bytes[pos] != '\n')
            return malformed("line break expected after a path");
        ++pos;
        read.files.emplace_back(path);
    }
    if (pos != bytes.size())
        return malformed("bytes after the end");
    read.complete = true;
    return read;
}

} // namespace velmorak
