// What the scanner drops between tokens, kept for the user: the texts that
// the tag language ignores, counted and reported once the file is written,
// and the tags it does not know or that close themselves, which explain a
// syntax error.
#include "reader/dropped.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "driver/driver.h"
#include "reader/reader.h"
#include "writer/literal.h"

DroppedText dropped_text;
int self_closed_line;
bool library_opened;
long slash_offset = -2;

namespace {

long texts_cut;                        // texts that a NUL cut short
int first_cut_line;                    // the first one's line
long ignored_texts;                    // texts ignored so far
int first_ignored_line;                // the first one's line
std::string first_ignored;             // and its start, as the warning shows it

// The first text of the warning shows at most this many bytes, cut at a
// character's end; start keeps a few more, so that a character that
// straddles the cut is whole.
constexpr std::size_t shown_most = 30;
static_assert(sizeof DroppedText::start >= shown_most + 4, "room for a whole last character");

void start_keep(unsigned char byte)
{
    DroppedText &text = dropped_text;
    if (text.start_ended)
        return;
    if (text.kept == int(sizeof text.start) - 1) {
        text.start_ended = true;
        return;
    }
    text.start[text.kept++] = char(byte);
}

// As XML names them, a byte of a character past ASCII included.
bool is_name_byte(unsigned char byte)
{
    return std::isalnum(byte) || byte == '_' || byte == '-' || byte == '.' || byte == ':' || byte >= 0x80;
}

// The tag's name grows by byte while it is a name's, or a '/' right after
// the '<'.
void tag_grow(unsigned char byte)
{
    DroppedText &text = dropped_text;
    bool slash = byte == '/' && text.tag_length == 1;
    if ((slash || is_name_byte(byte)) && text.tag_length < int(sizeof text.tag) - 1)
        text.tag[text.tag_length++] = char(byte);
    else
        text.tag_open = false;
}

void dropped_text_counted()
{
    DroppedText &text = dropped_text;
    bool declaration = text.kept >= 2 && text.start[0] == '<' && (text.start[1] == '!' || text.start[1] == '?');
    if (!(text.before_library && declaration) && ignored_texts++ == 0) {
        first_ignored_line = text.line;
        first_ignored = message_quote(std::string(text.start, std::size_t(text.shown)), shown_most);
    }
    text = DroppedText();
}

} // namespace

// A byte dropped while dropped_text waits for the parser to take the token
// after it: the parser has asked for another token since, so it took that
// one.
void byte_dropped(unsigned char byte, long offset, int line)
{
    DroppedText &text = dropped_text;
    if (text.closed)
        dropped_text_counted();
    if (byte == '/')
        slash_offset = offset;
    if (byte == '<') {
        text.tag[0] = '<';
        text.tag_length = 1;
        text.tag_open = true;
    } else if (text.tag_open) {
        tag_grow(byte);
    }
    // A carriage return ends a line saved on Windows; a byte-order mark
    // may begin a file saved as UTF-8.
    static const char byte_order_mark[] = "\xEF\xBB\xBF";
    bool blank = byte == '\r' || (offset < 3 && text.line == 0 && byte == static_cast<unsigned char>(byte_order_mark[offset]));
    if (blank) {
        if (text.line != 0)
            start_keep(byte);
        return;
    }
    if (text.line == 0) {
        text.line = line;
        text.before_library = !library_opened;
    }
    start_keep(byte);
    if (!text.start_ended)
        text.shown = text.kept;
}

void blanks_dropped(const char *blanks, int length)
{
    dropped_text.tag_open = false;
    if (dropped_text.closed)
        return;
    for (int i = 0; i < length; ++i)
        start_keep(static_cast<unsigned char>(blanks[i]));
}

void dropped_start_ended()
{
    dropped_text.tag_open = false;
    dropped_text.start_ended = true;
}

// The '/' of a tag that closes itself belongs to the tag: a syntax error
// follows, and its hint speaks of it.
void tag_closed_itself(int line)
{
    self_closed_line = line;
    if (dropped_text.kept == 1)
        dropped_text = DroppedText();
}

void dropped_text_closed(bool at_end)
{
    if (dropped_text.closed || at_end)
        dropped_text_counted();
    else
        dropped_text.closed = true;
}

void text_cut_by_nul(int line)
{
    if (texts_cut++ == 0)
        first_cut_line = line;
}

// Input that is no dictionary at all (an exchange file, UTF-16 text) is
// explained by the hint at its error instead.
void ignored_text_report()
{
    if (input_kind_hint() != nullptr)
        return;
    if (ignored_texts == 1)
        report("warning: 1 text outside any element was ignored; the first, %s, on line %d", first_ignored.c_str(),
               first_ignored_line);
    else if (ignored_texts > 1)
        report("warning: %ld texts outside any element were ignored; the first, %s, on line %d", ignored_texts,
               first_ignored.c_str(), first_ignored_line);
    if (texts_cut == 1)
        report("warning: 1 text holds a NUL byte, which ends it: what follows the NUL is lost; the first on line %d",
               first_cut_line);
    else if (texts_cut > 1)
        report("warning: %ld texts hold a NUL byte, which ends them: what follows each NUL is lost; the first on "
               "line %d", texts_cut, first_cut_line);
}

namespace {

// The elements of the tag language, in the order a document has them.
const char *const elements[] = {
    "SUPPLIER_LIBRARY", "CLASS", "CNAME", "PROPERTY", "PNAME", "PTYPE", "TABLE", "COLUMN", "TD",
};

// Whether an element's opening tag carries a code.
bool coded(const char *element)
{
    return std::strcmp(element, "SUPPLIER_LIBRARY") == 0 || std::strcmp(element, "CLASS") == 0 ||
           std::strcmp(element, "PROPERTY") == 0 || std::strcmp(element, "TABLE") == 0;
}

// Whether name becomes element by one letter left out, added, wrong, or
// swapped with the next, in any case.
bool one_edit_apart(const std::string &name, const char *element)
{
    std::size_t length = name.size();
    std::size_t element_length = std::strlen(element);
    std::size_t same = 0;              // letters alike from the start
    while (same < length && same < element_length && std::toupper(static_cast<unsigned char>(name[same])) == element[same])
        ++same;
    // What follows the first difference, once the edit is made, must agree.
    auto rest_agrees = [&](std::size_t from_name, std::size_t from_element) {
        return length - from_name == element_length - from_element &&
               strncasecmp(name.c_str() + from_name, element + from_element, length - from_name) == 0;
    };
    if (length == element_length) {
        bool swapped = same + 1 < length && std::toupper(static_cast<unsigned char>(name[same])) == element[same + 1] &&
                       std::toupper(static_cast<unsigned char>(name[same + 1])) == element[same];
        return rest_agrees(same + 1, same + 1) || (swapped && rest_agrees(same + 2, same + 2));
    }
    if (length + 1 == element_length)
        return rest_agrees(same, same + 1);
    if (length == element_length + 1)
        return rest_agrees(same + 1, same);
    return false;
}

} // namespace

const char *unknown_tag_hint(const char *text, const char *expected, char *buffer, int size)
{
    const DroppedText &dropped = dropped_text;
    if (dropped.tag_length == 0)
        return nullptr;
    std::string tag(dropped.tag, std::size_t(dropped.tag_length));
    // Inside element text the scanner drops a '<' alone, and the name after
    // it begins the next text.
    if (text != nullptr && dropped.tag_open && dropped.tag_length == 1) {
        const char *c = text;
        if (*c == '/')
            ++c;
        while (is_name_byte(static_cast<unsigned char>(*c)) && c - text < int(sizeof dropped.tag))
            ++c;
        tag.append(text, std::size_t(c - text));
    }
    std::size_t name_start = tag.size() > 1 && tag[1] == '/' ? 2 : 1;
    std::string name = tag.substr(name_start);
    if (name.empty())
        return nullptr;
    // The elements one edit away, and of those the ones the parser would
    // have taken there, if any.
    std::string close;
    std::string close_expected;
    for (const char *element : elements) {
        if (strcasecmp(name.c_str(), element) == 0)
            return nullptr;
        if (!one_edit_apart(name, element))
            continue;
        // An opening tag of an element with a code is named as the parser
        // names it, up to its '='.
        std::string meant = tag.substr(0, name_start) + element;
        if (name_start == 1 && coded(element))
            meant += " BSU=";
        else
            meant += ">";
        std::string shown = message_quote(meant.c_str());
        close += (close.empty() ? "" : " or ") + shown;
        if (std::strstr(expected, shown.c_str()) != nullptr)
            close_expected += (close_expected.empty() ? "" : " or ") + shown;
    }
    if (!close_expected.empty())
        close = close_expected;
    std::snprintf(buffer, std::size_t(size),
                  "%s is no element of the tag language; the elements are SUPPLIER_LIBRARY, CLASS, CNAME, PROPERTY, "
                  "PNAME, PTYPE, TABLE, COLUMN and TD%s%s%s",
                  message_quote((tag + ">").c_str()).c_str(), close.empty() ? "" : "; did you mean ", close.c_str(),
                  close.empty() ? "" : "?");
    return buffer;
}
