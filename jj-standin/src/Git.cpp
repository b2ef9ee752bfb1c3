#include "Git.h"

#include "Error.h"

namespace jj {

std::string gitLastError()
{
    const git_error *e = git_error_last();
    return e && e->message ? std::string(e->message) : std::string("unknown libgit2 error");
}

void gitCheck(int rc, std::string_view what)
{
    if (rc < 0)
        throw InternalError(std::string(what) + ": " + gitLastError());
}

bool Oid::isHex40(std::string_view text)
{
    if (text.size() != GIT_OID_HEXSZ)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

Oid Oid::fromHex(std::string_view hex)
{
    Oid o;
    if (!isHex40(hex) || git_oid_fromstrn(o.out(), hex.data(), hex.size()) < 0)
        throw InternalError("malformed object id: " + std::string(hex));
    return o;
}

std::string Oid::hex() const
{
    char buf[GIT_OID_HEXSZ + 1];
    git_oid_tostr(buf, sizeof buf, &raw);
    return std::string(buf, GIT_OID_HEXSZ);
}

bool Oid::isZero() const
{
    for (unsigned char b : raw.id)
        if (b)
            return false;
    return true;
}

Oid emptyTreeId()
{
    static const Oid id = Oid::fromHex("4b825dc642cb6eb9a060e54bf8d69288fbee4904");
    return id;
}

} // namespace jj
