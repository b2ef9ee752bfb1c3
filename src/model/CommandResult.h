#pragma once

#include <QString>

// The outcome of one jj run: standard output on success; standard error, or why the
// child could not run, on failure.
struct CommandResult {
    QString text;
    bool isError = false;
};
