#include "SystemTagSources.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace velmorak {

namespace {

// Password entries are short; a buffer this large holds any real one.
constexpr std::size_t kMaxPasswordEntry = 1 << 16;

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

} // namespace

std::string ownerNameFromPasswordEntry(std::string_view gecos, std::string_view login)
{
    std::string fullName = trimmed(gecos.substr(0, gecos.find(',')));
    return fullName.empty() ? std::string(login) : fullName;
}

std::string SystemTagSources::ownerName()
{
    std::vector<char> buffer(1024);
    passwd entry {};
    passwd* found = nullptr;
    for (;;) {
        const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error != ERANGE || buffer.size() >= kMaxPasswordEntry)
            break;
        buffer.resize(buffer.size() * 2);
    }
    if (found)
        return ownerNameFromPasswordEntry(
            found->pw_gecos ? found->pw_gecos : "", found->pw_name ? found->pw_name : "");
    // Containers often run users the password database does not list.
    for (const char* variable : { "LOGNAME", "USER" })
        if (const char* login = std::getenv(variable); login && *login)
            return login;
    return {};
}

LocalDateTime SystemTagSources::now()
{
    const std::time_t seconds = std::time(nullptr);
    std::tm local {};
    LocalDateTime result;
    if (seconds == std::time_t(-1) || !::localtime_r(&seconds, &local))
        return result;
    result.year = local.tm_year + 1900;
    result.month = local.tm_mon + 1;
    result.day = local.tm_mday;
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    result.second = local.tm_sec;
    return result;
}

} // namespace velmorak
