#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace jj {

// A failure the user caused or can fix: printed as "Error: ..." plus hints, exit status 1.
struct UserError : std::runtime_error {
    std::vector<std::string> hints;
    explicit UserError(const std::string &message, std::vector<std::string> hintLines = {})
        : std::runtime_error(message), hints(std::move(hintLines))
    {}
};

// A command line this tool does not accept: one "error: ..." line, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// libgit2 or the file system failed underneath us.
struct InternalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace jj
