#pragma once

// What the process takes from its environment: who is writing, what time it is,
// how change ids are drawn, and the fault-injection hook used by the tests.

#include <cstdint>
#include <optional>
#include <string>

struct git_repository;

namespace jj {

struct Signature {
    std::string name;
    std::string email;
    int64_t time = 0;      // seconds since the epoch
    int offsetMinutes = 0; // the writer's offset from UTC
};

struct Identity {
    std::string name;
    std::string email;
};

struct Timestamp {
    int64_t seconds = 0;
    int offsetMinutes = 0;
};

std::optional<std::string> envVar(const char *name);

// JJ_USER / JJ_EMAIL, else user.name / user.email from git's configuration
// (the repository's when one is given).
Identity resolveIdentity(git_repository *repo);

// JJ_TIMESTAMP (RFC 3339) when set, else the current time in the local zone.
// Read once per process so every commit of one command carries the same time.
Timestamp commandTime();

// JJ_RANDOMNESS_SEED when set and numeric.
std::optional<uint64_t> randomnessSeed();

// "YYYY-MM-DD HH:MM:SS" in the process's local time zone (TZ).
std::string formatLocalTime(int64_t seconds);

// Tests set JJ_STANDIN_KILL_AT=<point> to have the process die by SIGKILL when
// it reaches that point, so they can check what an interrupted command leaves.
void faultPoint(const char *point);

} // namespace jj
