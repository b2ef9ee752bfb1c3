#include "model/ShowReader.h"

#include "model/Change.h"

#include <tao/pegtl.hpp>

#include <cstdio>
#include <optional>
#include <string>

namespace pegtl = tao::pegtl;

namespace showreader {
namespace grammar {

struct newline : pegtl::one<'\n'> {};
struct line_end : pegtl::sor<newline, pegtl::eof> {};
struct blanks : pegtl::star<pegtl::one<' ', '\t'>> {};
struct rest : pegtl::star<pegtl::any> {};

// Consumes the input up to, not including, the first occurrence of the marker.
template<typename Marker> struct up_to : pegtl::until<pegtl::at<Marker>> {};
// A label at the start of a line, anywhere in the output; consumed with all before it.
template<typename Label>
struct line_label
    : pegtl::sor<pegtl::seq<pegtl::bof, Label>, pegtl::until<pegtl::seq<newline, Label>>> {};

struct commit_value : up_to<line_end> {};
struct commit_id
    : pegtl::seq<line_label<TAO_PEGTL_STRING("Commit ID:")>, blanks, commit_value, rest> {};

struct change_value : up_to<line_end> {};
struct change_id
    : pegtl::seq<line_label<TAO_PEGTL_STRING("Change ID:")>, blanks, change_value, rest> {};

// "Author   : Name <e-mail> (time stamp)": the name may hold parentheses, jj's placeholders
// are written in them, and the time stamp is the parenthesised text that ends the line.
struct author_label : pegtl::seq<TAO_PEGTL_STRING("Author"), blanks, TAO_PEGTL_STRING(": ")> {};
struct author_value : up_to<TAO_PEGTL_STRING(" <")> {};
struct author : pegtl::seq<line_label<author_label>, author_value, rest> {};

struct timestamp_value : up_to<pegtl::seq<pegtl::one<')'>, line_end>> {};
struct timestamp : pegtl::seq<line_label<author_label>, pegtl::until<TAO_PEGTL_STRING("> (")>,
                              timestamp_value, rest> {};

// After the header's blank line, every line of the description is indented by four
// blanks, or empty; the first line that is neither (a file section, or nothing) ends it.
struct indent : TAO_PEGTL_STRING("    ") {};
struct description_line : pegtl::sor<pegtl::seq<indent, pegtl::until<line_end>>, newline> {};
struct description_value : pegtl::star<description_line> {};
struct description : pegtl::seq<pegtl::until<TAO_PEGTL_STRING("\n\n")>, description_value, rest> {};

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

QString unindentDescription(const QString &block)
{
    QStringList lines = block.split(u'\n');
    // The block ends with the header's and the file section's separator lines.
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.startsWith(QLatin1String("    ")))
            line.remove(0, 4);
    return lines.join(u'\n');
}

std::optional<QString> apply(Change &change, const QString &output)
{
    const std::string bytes = output.toStdString();
    if (auto v = read<grammar::commit_id>(bytes, "\"Commit ID:\""))
        change.setCommitHash(*v);
    if (auto v = read<grammar::change_id>(bytes, "\"Change ID:\""))
        change.setChangeId(*v);
    if (auto v = read<grammar::author>(bytes, "\"Author   : \" and \" <\""))
        change.setAuthor(*v);
    if (auto v = read<grammar::timestamp>(bytes, "the author's time stamp in parentheses"))
        change.setTimestamp(*v);
    const std::optional<QString> block =
        read<grammar::description>(bytes, "a blank line, then the description");
    if (!block)
        return std::nullopt;
    // What jj prints is the record's description, its placeholder for none included, as
    // the list shows it; what the user wrote has no placeholder.
    const QString printed = unindentDescription(*block);
    change.setDescription(printed);
    return printed == noDescription() ? QString() : printed;
}

QString noDescription()
{
    return QStringLiteral("(no description set)");
}

} // namespace showreader
