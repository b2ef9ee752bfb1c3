#include "Environment.h"

#include "Git.h"

#include <charconv>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace jj {

std::optional<std::string> envVar(const char *name)
{
    const char *v = std::getenv(name);
    if (!v)
        return std::nullopt;
    return std::string(v);
}

namespace {

std::string configString(git_config *cfg, const char *key)
{
    if (!cfg)
        return {};
    GitBuf buf;
    if (git_config_get_string_buf(&buf.buf, cfg, key) < 0) {
        git_error_clear();
        return {};
    }
    return buf.str();
}

bool parseInt(std::string_view s, int &out)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

std::optional<Timestamp> parseRfc3339(std::string_view s)
{
    // YYYY-MM-DDTHH:MM:SS[.fraction](Z|+HH:MM|-HH:MM)
    if (s.size() < 20 || s[4] != '-' || s[7] != '-' ||
        (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    int y, mo, d, h, mi, se;
    if (!parseInt(s.substr(0, 4), y) || !parseInt(s.substr(5, 2), mo) ||
        !parseInt(s.substr(8, 2), d) || !parseInt(s.substr(11, 2), h) ||
        !parseInt(s.substr(14, 2), mi) || !parseInt(s.substr(17, 2), se))
        return std::nullopt;
    size_t i = 19;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
    }
    int offset = 0;
    if (i < s.size() && (s[i] == 'Z' || s[i] == 'z')) {
        ++i;
    } else if (i + 6 == s.size() && (s[i] == '+' || s[i] == '-') && s[i + 3] == ':') {
        int oh, om;
        if (!parseInt(s.substr(i + 1, 2), oh) || !parseInt(s.substr(i + 4, 2), om))
            return std::nullopt;
        offset = (oh * 60 + om) * (s[i] == '-' ? -1 : 1);
        i += 6;
    } else {
        return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    int64_t days = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    int64_t local = days * 86400 + h * 3600 + mi * 60 + se;
    return Timestamp{local - offset * 60, offset};
}

} // namespace

Identity resolveIdentity(git_repository *repo)
{
    Identity id;
    auto user = envVar("JJ_USER");
    auto email = envVar("JJ_EMAIL");
    if (!user || !email) {
        ConfigPtr cfg;
        git_config *raw = nullptr;
        int rc = repo ? git_repository_config_snapshot(&raw, repo) : git_config_open_default(&raw);
        if (rc < 0)
            git_error_clear();
        cfg.reset(raw);
        if (!user)
            user = configString(cfg.get(), "user.name");
        if (!email)
            email = configString(cfg.get(), "user.email");
    }
    id.name = *user;
    id.email = *email;
    return id;
}

Timestamp commandTime()
{
    static const Timestamp cached = [] {
        if (auto text = envVar("JJ_TIMESTAMP")) {
            if (auto parsed = parseRfc3339(*text))
                return *parsed;
        }
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return Timestamp{static_cast<int64_t>(now), static_cast<int>(local.tm_gmtoff / 60)};
    }();
    return cached;
}

std::optional<uint64_t> randomnessSeed()
{
    auto text = envVar("JJ_RANDOMNESS_SEED");
    if (!text)
        return std::nullopt;
    uint64_t v = 0;
    auto [p, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || p != text->data() + text->size())
        return std::nullopt;
    return v;
}

std::string formatLocalTime(int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    return buf;
}

void faultPoint(const char *point)
{
    static const std::optional<std::string> target = envVar("JJ_STANDIN_KILL_AT");
    if (target && *target == point) {
        std::fflush(nullptr);
        ::kill(::getpid(), SIGKILL);
    }
}

} // namespace jj
