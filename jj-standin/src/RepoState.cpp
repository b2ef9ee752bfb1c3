#include "RepoState.h"

#include "CommitIndex.h"
#include "Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace jj {

namespace {

constexpr std::string_view kHeader = "jj-standin state 1";

std::vector<std::string> splitTabs(const std::string &line)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        out.push_back(
            line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

} // namespace

void writeFileAtomically(const std::filesystem::path &file, const std::string &data)
{
    std::filesystem::path tmp = file;
    tmp += ".tmp." + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw InternalError("cannot write " + tmp.string() + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            throw InternalError("cannot write " + tmp.string() + ": " + std::strerror(errno));
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (std::rename(tmp.c_str(), file.c_str()) != 0) {
        ::unlink(tmp.c_str());
        throw InternalError("cannot replace " + file.string() + ": " + std::strerror(errno));
    }
}

RepoState RepoState::load(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw InternalError("cannot read " + file.string());
    RepoState state;
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        throw InternalError("unrecognised repository state " + file.string());
    bool sawWorkingCopy = false;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        auto f = splitTabs(line);
        const std::string &kind = f[0];
        if (kind == "counter" && f.size() == 2) {
            state.idCounter = std::stoull(f[1]);
        } else if (kind == "wc" && f.size() == 2) {
            state.workingCopy = Oid::fromHex(f[1]);
            sawWorkingCopy = true;
        } else if (kind == "head" && f.size() == 2) {
            state.heads.push_back(Oid::fromHex(f[1]));
        } else if (kind == "bookmark" && f.size() == 3) {
            state.bookmarks[unescapeField(f[1])] = Oid::fromHex(f[2]);
        } else if (kind == "remote" && f.size() == 5) {
            RemoteRef ref;
            if (f[3] != "-")
                ref.target = Oid::fromHex(f[3]);
            ref.tracked = f[4] == "1";
            state.remoteBookmarks[unescapeField(f[1])][unescapeField(f[2])] = ref;
        } else {
            throw InternalError("corrupt repository state " + file.string());
        }
    }
    if (!sawWorkingCopy)
        throw InternalError("repository state without a working copy " + file.string());
    return state;
}

void RepoState::save(const std::filesystem::path &file) const
{
    std::string out;
    out += kHeader;
    out += "\ncounter\t" + std::to_string(idCounter) + "\n";
    out += "wc\t" + workingCopy.hex() + "\n";
    for (const Oid &h : heads)
        out += "head\t" + h.hex() + "\n";
    for (const auto &[name, target] : bookmarks)
        out += "bookmark\t" + escapeField(name) + "\t" + target.hex() + "\n";
    for (const auto &[name, remotes] : remoteBookmarks)
        for (const auto &[remote, ref] : remotes)
            out += "remote\t" + escapeField(name) + "\t" + escapeField(remote) + "\t" +
                   (ref.target ? ref.target->hex() : std::string("-")) + "\t" +
                   (ref.tracked ? "1" : "0") + "\n";
    writeFileAtomically(file, out);
}

} // namespace jj
