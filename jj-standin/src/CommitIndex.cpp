#include "CommitIndex.h"

#include "Error.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace jj {

namespace {

constexpr std::string_view kHeader = "jj-standin commits 1\n";

std::vector<std::string_view> splitTabs(std::string_view line)
{
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            out.push_back(line.substr(start));
            return out;
        }
        out.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

template<typename T> bool parseNumber(std::string_view s, T &out)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

void appendSignature(std::string &line, const Signature &sig)
{
    line += escapeField(sig.name);
    line += '\t';
    line += escapeField(sig.email);
    line += '\t';
    line += std::to_string(sig.time);
    line += '\t';
    line += std::to_string(sig.offsetMinutes);
}

bool parseSignature(const std::vector<std::string_view> &f, size_t at, Signature &sig)
{
    sig.name = unescapeField(f[at]);
    sig.email = unescapeField(f[at + 1]);
    return parseNumber(f[at + 2], sig.time) && parseNumber(f[at + 3], sig.offsetMinutes);
}

void writeAll(int fd, const std::string &data, const std::filesystem::path &file)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw InternalError("cannot write " + file.string() + ": " + std::strerror(errno));
        }
        done += static_cast<size_t>(n);
    }
}

} // namespace

std::string escapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            char n = text[++i];
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += c;
        }
    }
    return out;
}

CommitIndex::CommitIndex()
{
    CommitRecord root;
    root.change = rootChangeId();
    root.tree = emptyTreeId();
    root.empty = true;
    records_.push_back(root);
    byId_.emplace(root.id, 0);
    changeIds_.insert(root.change);
}

void CommitIndex::load(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return;
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string data = ss.str();
    std::string_view view(data);
    if (view.substr(0, kHeader.size()) != kHeader) {
        if (view.size() < kHeader.size() && kHeader.substr(0, view.size()) == view)
            return; // empty, or a first write cut short
        throw InternalError("unrecognised commit index " + file.string());
    }
    size_t offset = kHeader.size();
    validLength_ = offset;
    records_.reserve(view.size() / 160 + 16);
    while (offset < view.size()) {
        size_t nl = view.find('\n', offset);
        if (nl == std::string_view::npos)
            break; // torn tail
        std::string_view line = view.substr(offset, nl - offset);
        auto f = splitTabs(line);
        if (f.size() != 14 || !Oid::isHex40(f[0]) || !Oid::isHex40(f[3]))
            throw InternalError("corrupt commit index " + file.string());
        CommitRecord r;
        r.id = Oid::fromHex(f[0]);
        r.change = std::string(f[1]);
        if (!f[2].empty()) {
            size_t s = 0;
            for (;;) {
                size_t comma = f[2].find(',', s);
                auto hex = f[2].substr(s, comma == std::string_view::npos ? std::string_view::npos
                                                                          : comma - s);
                auto parent = find(Oid::fromHex(hex));
                if (!parent)
                    throw InternalError("commit index names an unknown parent " + std::string(hex));
                r.parents.push_back(*parent);
                if (comma == std::string_view::npos)
                    break;
                s = comma + 1;
            }
        }
        r.tree = Oid::fromHex(f[3]);
        r.empty = f[4] == "1";
        if (!parseSignature(f, 5, r.author) || !parseSignature(f, 9, r.committer))
            throw InternalError("corrupt commit index " + file.string());
        r.description = unescapeField(f[13]);
        add(std::move(r));
        offset = nl + 1;
        validLength_ = offset;
    }
    persisted_ = records_.size();
}

void CommitIndex::appendNew(const std::filesystem::path &file)
{
    if (!hasNew())
        return;
    std::string out;
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw InternalError("cannot open " + file.string() + ": " + std::strerror(errno));
    struct stat st {};
    ::fstat(fd, &st);
    if (validLength_ == 0) {
        // A new file, or one that never got past its header.
        if (::ftruncate(fd, 0) < 0) {
            ::close(fd);
            throw InternalError("cannot truncate " + file.string());
        }
        out += kHeader;
        validLength_ = 0;
    } else if (static_cast<uint64_t>(st.st_size) != validLength_) {
        if (::ftruncate(fd, static_cast<off_t>(validLength_)) < 0) {
            ::close(fd);
            throw InternalError("cannot truncate " + file.string());
        }
    }
    ::lseek(fd, static_cast<off_t>(validLength_), SEEK_SET);
    for (size_t i = persisted_; i < records_.size(); ++i) {
        const CommitRecord &r = records_[i];
        out += r.id.hex();
        out += '\t';
        out += r.change;
        out += '\t';
        for (size_t p = 0; p < r.parents.size(); ++p) {
            if (p)
                out += ',';
            out += at(r.parents[p]).id.hex();
        }
        out += '\t';
        out += r.tree.hex();
        out += '\t';
        out += r.empty ? '1' : '0';
        out += '\t';
        appendSignature(out, r.author);
        out += '\t';
        appendSignature(out, r.committer);
        out += '\t';
        out += escapeField(r.description);
        out += '\n';
    }
    try {
        writeAll(fd, out, file);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    validLength_ += out.size();
    persisted_ = records_.size();
}

Pos CommitIndex::add(CommitRecord record)
{
    if (auto existing = find(record.id))
        return *existing;
    Pos pos = static_cast<Pos>(records_.size());
    byId_.emplace(record.id, pos);
    changeIds_.insert(record.change);
    records_.push_back(std::move(record));
    return pos;
}

std::optional<Pos> CommitIndex::find(const Oid &id) const
{
    auto it = byId_.find(id);
    if (it == byId_.end())
        return std::nullopt;
    return it->second;
}

} // namespace jj
