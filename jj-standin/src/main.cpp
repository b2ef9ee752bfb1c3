// jj: the project's stand-in for the Jujutsu command-line tool.

#include "CommandLine.h"
#include "Commands.h"
#include "Error.h"

#include <git2.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace {

void write(FILE *stream, const std::string &text)
{
    if (!text.empty())
        std::fwrite(text.data(), 1, text.size(), stream);
}

std::filesystem::path currentDirectory()
{
    std::error_code ec;
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path("/") : cwd;
}

} // namespace

int main(int argc, char **argv)
{
    tzset();
    git_libgit2_init();
    // As with git itself: no /etc/gitconfig when asked (tests rely on this).
    if (std::getenv("GIT_CONFIG_NOSYSTEM"))
        git_libgit2_opts(GIT_OPT_SET_SEARCH_PATH, GIT_CONFIG_LEVEL_SYSTEM, "");
    jj::Context ctx;
    ctx.cwd = currentDirectory();
    int status = 0;
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        status = jj::runCommand(jj::cli::parse(args), ctx);
        write(stdout, ctx.out);
        write(stderr, ctx.err);
    } catch (const jj::UsageError &e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        status = 2;
    } catch (const jj::UserError &e) {
        write(stderr, ctx.err);
        std::string text = std::string("Error: ") + e.what() + "\n";
        for (const auto &hint : e.hints)
            text += "Hint: " + hint + "\n";
        write(stderr, text);
        status = 1;
    } catch (const std::exception &e) {
        write(stderr, ctx.err);
        std::fprintf(stderr, "Internal error: %s\n", e.what());
        status = 255;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    git_libgit2_shutdown();
    return status;
}
