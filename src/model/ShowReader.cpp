#include "model/ShowReader.h"

#include "model/Change.h"
#include "model/Text.h"

#include <tao/pegtl.hpp>

#include <cstdio>
#include <optional>
#include <string>

namespace pegtl = tao::pegtl;

namespace showreader {
namespace grammar {

// Blank, tab, the other Unicode space separators and every line break.
struct whitespace_char
    : pegtl::utf8::one<0x20, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x85, 0xA0, 0x1680, 0x2000, 0x2001,
                       0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,
                       0x2028, 0x2029, 0x202F, 0x205F, 0x3000> {};
struct whitespace : pegtl::star<whitespace_char> {};

// Consumes the input up to and including the first occurrence of the marker.
template<typename Marker> struct through : pegtl::until<Marker> {};
// Consumes the input up to, not including, the first occurrence of the marker.
template<typename Marker> struct up_to : pegtl::until<pegtl::at<Marker>> {};

struct newline : pegtl::one<'\n'> {};
struct rest : pegtl::star<pegtl::any> {};

struct commit_value : up_to<newline> {};
struct commit_id
    : pegtl::seq<through<TAO_PEGTL_STRING("Commit ID:")>, whitespace, commit_value, rest> {};

struct change_value : up_to<newline> {};
struct change_id
    : pegtl::seq<through<TAO_PEGTL_STRING("Change ID:")>, whitespace, change_value, rest> {};

struct author_value : up_to<TAO_PEGTL_STRING(" <")> {};
struct author : pegtl::seq<through<TAO_PEGTL_STRING("Author")>, whitespace, TAO_PEGTL_STRING(": "),
                           author_value, rest> {};

struct timestamp_value : up_to<pegtl::one<')'>> {};
struct timestamp : pegtl::seq<through<pegtl::one<'('>>, timestamp_value, rest> {};

struct until_modified : up_to<TAO_PEGTL_STRING("\n\nModified regular file")> {};
struct until_added : up_to<TAO_PEGTL_STRING("\n\nAdded regular file")> {};
struct until_removed : up_to<TAO_PEGTL_STRING("\n\nRemoved regular file")> {};
struct through_no_description : through<TAO_PEGTL_STRING("(no description set)")> {};
struct description_value
    : pegtl::sor<until_modified, until_added, until_removed, through_no_description> {};
struct description
    : pegtl::seq<through<TAO_PEGTL_STRING("\n\n")>, whitespace, description_value, rest> {};

} // namespace grammar

namespace {

template<typename Rule> struct capture : pegtl::nothing<Rule> {};

#define OSTREL_CAPTURE(rule)                                                                       \
    template<> struct capture<grammar::rule> {                                                     \
        template<typename Input>                                                                   \
        static void apply(const Input &in, std::optional<std::string> &out)                        \
        {                                                                                          \
            out = in.string();                                                                     \
        }                                                                                          \
    };
OSTREL_CAPTURE(commit_value)
OSTREL_CAPTURE(change_value)
OSTREL_CAPTURE(author_value)
OSTREL_CAPTURE(timestamp_value)
OSTREL_CAPTURE(description_value)
#undef OSTREL_CAPTURE

template<typename Grammar>
std::optional<QString> read(const std::string &output, const char *expected)
{
    std::optional<std::string> value;
    pegtl::memory_input in(output, "jj show");
    if (pegtl::parse<Grammar, capture>(in, value) && value)
        return QString::fromStdString(*value);
    std::printf("Could not read the jj show output: expected %s\n", expected);
    std::fflush(stdout);
    return std::nullopt;
}

} // namespace

QString cleanDescription(const QString &raw)
{
    QString result;
    const QStringList paragraphs = raw.split(QStringLiteral("\n\n"));
    for (const QString &paragraph : paragraphs) {
        result += text::trimmed(paragraph, text::isWhitespace);
        result += QStringLiteral("\n\n");
    }
    return text::trimmed(result, text::isWhitespaceOrNewline).toString();
}

void apply(Change &change, const QString &output)
{
    const std::string bytes = output.toStdString();
    if (auto v = read<grammar::commit_id>(bytes, "\"Commit ID:\""))
        change.setCommitHash(*v);
    if (auto v = read<grammar::change_id>(bytes, "\"Change ID:\""))
        change.setChangeId(*v);
    if (auto v = read<grammar::author>(bytes, "\"Author\", \": \" and \" <\""))
        change.setAuthor(*v);
    if (auto v = read<grammar::timestamp>(bytes, "\"(\" and \")\""))
        change.setTimestamp(*v);
    if (auto v = read<grammar::description>(
            bytes, "a blank line, then the description and a file section or "
                   "\"(no description set)\""))
        change.setDescription(cleanDescription(*v));
}

} // namespace showreader
