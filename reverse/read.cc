// The exchange-file reader: the syntax of an ISO 10303-21 file (its header,
// its data sections, their instances and their values), read with one token
// of lookahead, and the values of each instance of an entity that a
// dictionary is read from, taken by the form of its entity. A syntax error
// stops the run; a value that does not fit is reported, and reading goes on.
#include <cstring>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "model/model.h"
#include "reverse/entities.h"
#include "reverse/reverse.h"
#include "reverse/scanner.h"
#include "writer/literal.h"

namespace {

int token;                             // the token read last, not yet taken
InstanceRead instance;                 // the instance being read
std::string fault;                     // the first fault of its values, for one line

// The longest text that a message quotes from a value.
constexpr std::size_t quoted_most = 40;

void advance()
{
    token = p21lex();
}

// The line where the token read last begins: a string may hold line breaks.
int token_line()
{
    int line = p21lineno;
    for (int i = 0; i < p21leng; ++i)
        line -= p21text[i] == '\n';
    return line;
}

// The token read last, as a message names it: at most quoted_most bytes of
// its text, without the blanks and line breaks that a comma or a semicolon
// takes after it.
std::string token_described()
{
    std::string text(p21text, std::size_t(p21leng));
    if (token == p21_comma || token == p21_semicolon)
        text.resize(1);
    std::string shown = message_quote(text, quoted_most) + (text.size() > quoted_most ? "..." : "");
    switch (token) {
    case p21_end_of_input: return "end of input";
    case p21_keyword: return "keyword " + shown;
    case p21_instance: return "instance name " + shown;
    case p21_integer: return "integer " + shown;
    case p21_real: return "real " + shown;
    case p21_string:
        text = text.substr(1, text.size() - 2);
        return "string " + message_quote(text, quoted_most) + (text.size() > quoted_most ? "..." : "");
    case p21_open_string: return "string that is not closed before a NUL byte or the end of the input " + shown;
    case p21_open_comment: return "end of input inside the comment that begins on line " + std::to_string(p21_comment_line);
    default: return shown;
    }
}

// A file that is no exchange file, or breaks its syntax, ends the run: the
// token met and what was expected there.
[[noreturn]] void syntax_error(const char *expected, const char *hint = nullptr)
{
    report_at(token_line(), "syntax error, unexpected %s, expecting %s", token_described().c_str(), expected);
    if (hint != nullptr)
        report_hint("%s", hint);
    stop_conversion_failed();
}

void expect(int expected, const char *described)
{
    if (token != expected)
        syntax_error(described);
    advance();
}

// Skips one value of any kind: a simple one, a list of values, or a typed
// value (a keyword and one value in parentheses). Lists nest without limit,
// so the open ones are kept on a stack of their own.
void value_skip()
{
    static std::vector<bool> open;     // true for a typed value, which holds one value
    open.clear();
    for (;;) {
        if (token == p21_keyword) {
            advance();
            expect(p21_open, "'('");
            open.push_back(true);
            continue;
        }
        if (token == p21_open) {
            advance();
            if (token != p21_close) {
                open.push_back(false);
                continue;
            }
        } else if (token != p21_instance && token != p21_integer && token != p21_real && token != p21_string &&
                   token != p21_enumeration && token != p21_binary && token != p21_unset && token != p21_derived) {
            syntax_error("a value");
        }
        advance();
        while (!open.empty() && token != p21_comma) {
            expect(p21_close, open.back() ? "')'" : "',' or ')'");
            open.pop_back();
        }
        if (open.empty())
            return;
        if (open.back())
            syntax_error("')'");
        advance();
    }
}

// The values of a list after its '(', and its ')', skipped.
void list_rest_skip()
{
    if (token != p21_close) {
        for (;;) {
            value_skip();
            if (token != p21_comma)
                break;
            advance();
        }
    }
    expect(p21_close, "',' or ')'");
}

// The value read last, as a message names its kind.
const char *value_described()
{
    switch (token) {
    case p21_instance: return "a reference";
    case p21_integer: return "an integer";
    case p21_real: return "a real";
    case p21_string: return "a string";
    case p21_enumeration: return "an enumeration";
    case p21_binary: return "a binary";
    case p21_unset: return "$";
    case p21_derived: return "*";
    case p21_open: return "a list";
    default: return "a typed value";
    }
}

// Keeps the first fault of the instance's values; the instance is reported
// once it has been read, on one line.
void fault_keep(const std::string &text)
{
    if (fault.empty())
        fault = text;
    instance.faulty = true;
}

// An attribute whose value is not of the kind its form needs: the fault is
// kept and the value skipped.
void kind_fault(int attribute, const char *needed)
{
    fault_keep(attribute_described(entity_forms[instance.entity], attribute) + " must be " + needed + ", not " +
               value_described());
    value_skip();
}

// The instance number of the instance name read last; false when it is too
// large for the table.
bool number_read(std::uint64_t *number)
{
    *number = 0;
    for (int i = 1; i < p21leng; ++i) {
        unsigned digit = unsigned(p21text[i] - '0');
        if (*number > (no_instance - 1 - digit) / 10)
            return false;
        *number = *number * 10 + digit;
    }
    return true;
}

// Dict2step reads instance numbers that are lower than this one.
constexpr char number_limit[] = "18446744073709551615";

// A reference of the instance, in the attribute given.
std::uint64_t reference_read(int attribute)
{
    std::uint64_t number;
    if (!number_read(&number))
        fault_keep(attribute_described(entity_forms[instance.entity], attribute) + " refers to " +
                   message_quote(std::string(p21text, std::size_t(p21leng)), quoted_most) +
                   ", a number too large: dict2step reads numbers below " + number_limit);
    advance();
    return number;
}

// Where a value stands, for the messages: its attribute, and its row in a
// list of cells.
std::string value_place(int attribute, int row)
{
    std::string place = attribute_described(entity_forms[instance.entity], attribute);
    return row > 0 ? place + ", row " + std::to_string(row) + "," : place;
}

// The text of the string just read, decoded, as an arena copy: a code when
// element_text is false, else a name or a cell (one in the row given).
char *text_read(int attribute, bool element_text, int row = 0)
{
    static std::vector<char> decoded;
    const char *literal = p21text + 1;
    std::size_t length = std::size_t(p21leng - 2);
    if (decoded.size() < length + 1)
        decoded.resize(length + 1);
    LiteralFault decoding;
    length = literal_decode(literal, length, decoded.data(), &decoding);
    if (decoding.why != nullptr) {
        fault_keep(value_place(attribute, row) + " holds " +
                   message_quote(std::string(literal + decoding.at, decoding.length), quoted_most) +
                   (decoding.length > quoted_most ? "..." : "") + ", " + decoding.why);
        return nullptr;
    }
    if (const char *why = tag_text_fault(decoded.data(), length, element_text)) {
        std::string shown(decoded.data(), length);
        fault_keep(value_place(attribute, row) + " " + message_quote(shown, quoted_most) +
                   (length > quoted_most ? "..." : "") + " " + why);
        return nullptr;
    }
    return model_copy(decoded.data(), length);
}

// The cells of a column entity: strings, reals or integers by its type; a
// REAL column takes an integer too, which the conversion writes with its
// point.
void cells_read(int attribute)
{
    if (token != p21_open)
        return kind_fault(attribute, instance.entity == string_column_entity ? "a list of strings" : "a list of numbers");
    advance();
    TdNode *last = instance.cells = model_new<TdNode>();
    int row = 0;
    while (token != p21_close) {
        ++row;
        bool fits = instance.entity == string_column_entity ? token == p21_string
                  : instance.entity == real_column_entity ? token == p21_real || token == p21_integer
                  : token == p21_integer;
        if (!fits) {
            fault_keep(value_place(attribute, row) + " must be " +
                       (instance.entity == string_column_entity ? "a string" : instance.entity == real_column_entity ? "a number" : "an integer") +
                       ", not " + value_described());
            value_skip();
        } else {
            last->text = token == p21_string ? text_read(attribute, true, row) : model_copy(p21text, std::size_t(p21leng));
            advance();
            last = last->next = model_new<TdNode>();
        }
        if (token != p21_comma)
            break;
        advance();
    }
    expect(p21_close, "',' or ')'");
    if (row == 0)
        fault_keep(attribute_described(entity_forms[instance.entity], attribute) + " holds no value: a column has one at least");
}

// A list of references, as the instance's list.
void references_read(int attribute, const char *needed)
{
    if (token != p21_open)
        return kind_fault(attribute, needed);
    advance();
    while (token != p21_close) {
        if (token != p21_instance) {
            kind_fault(attribute, needed);
        } else {
            instance.list.push_back(reference_read(attribute));
        }
        if (token != p21_comma)
            break;
        advance();
    }
    expect(p21_close, "',' or ')'");
}

// One attribute, by the letter of its form.
void attribute_read(char letter, int attribute)
{
    switch (letter) {
    case 's':
        if (token != p21_string)
            return kind_fault(attribute, "a string");
        instance.text = text_read(attribute, false);
        advance();
        return;
    case 'n':
        if (token == p21_keyword && p21leng == 5 && std::memcmp(p21text, "LABEL", 5) == 0) {
            advance();
            expect(p21_open, "'('");
            if (token != p21_string) {
                kind_fault(attribute, "a string, typed LABEL or not");
            } else {
                instance.text = text_read(attribute, true);
                advance();
            }
            expect(p21_close, "')'");
            return;
        }
        if (token != p21_string)
            return kind_fault(attribute, "a string, typed LABEL or not");
        instance.text = text_read(attribute, true);
        advance();
        return;
    case 'y':
        if (token == p21_unset) {
            advance();
            return;
        }
        if (token != p21_open)
            return kind_fault(attribute, "a set of names, or $");
        advance();
        instance.synonyms = token != p21_close;
        return list_rest_skip();
    case 'C':
        if (token == p21_unset) {
            instance.references[instance.reference_count++] = no_instance;
            advance();
            return;
        }
        [[fallthrough]];
    case 'c': case 'i': case 'p': case 't': case 'b':
        if (token != p21_instance)
            return kind_fault(attribute, (std::string("a reference to ") + reference_expected(letter) +
                                          (letter == 'C' ? ", or $" : "")).c_str());
        instance.references[instance.reference_count++] = reference_read(attribute);
        return;
    case 'P':
    case 'L':
        return references_read(attribute, (std::string("a list of references, each to ") + reference_expected(letter)).c_str());
    case 'v':
        return cells_read(attribute);
    default:
        value_skip();
    }
}

// An instance of an entity that the dictionary is read from, from its
// entity's name on; reported on one line when a value does not fit.
void entity_instance_read(Entity entity)
{
    const EntityForm &form = entity_forms[entity];
    instance.entity = entity;
    advance();
    expect(p21_open, "'('");
    int attributes = int(std::strlen(form.attributes));
    int count = 0;
    if (token != p21_close) {
        for (;;) {
            ++count;
            attribute_read(count <= attributes ? form.attributes[count - 1] : '-', count);
            if (token != p21_comma)
                break;
            advance();
        }
    }
    expect(p21_close, "',' or ')'");
    if (count != attributes) {
        fault = std::to_string(count) + (count == 1 ? " attribute" : " attributes") + ", where the entity has " +
                std::to_string(attributes);
        instance.faulty = true;
    }
    if (instance.faulty)
        instance_problem(instance.number, form.name, instance.line, "%s", fault.c_str());
    instance_take(&instance);
}

// The name of an instance of another entity, from its name on, and its
// values, skipped; a complex instance is named by the names of its parts.
std::string other_instance_read()
{
    std::string name;
    bool complex = token == p21_open;
    if (complex)
        advance();
    do {
        if (token != p21_keyword)
            syntax_error(complex && !name.empty() ? "a keyword or ')'" : "a keyword");
        name += (name.empty() ? "" : " ") + std::string(p21text, std::size_t(p21leng));
        advance();
        expect(p21_open, "'('");
        list_rest_skip();
    } while (complex && token != p21_close);
    if (complex) {
        advance();
        name = "(" + name + ")";
    }
    return name;
}

// #N = an entity's name and its values, or a complex instance; then ';'.
void instance_read()
{
    instance.line = p21lineno;
    instance.faulty = false;
    instance.text = nullptr;
    instance.reference_count = 0;
    instance.list.clear();
    instance.cells = nullptr;
    instance.synonyms = false;
    fault.clear();
    bool numbered = number_read(&instance.number);
    if (!numbered)
        report_problem(exchange_file_problem, instance.line,
                       "instance name %s is a number too large: dict2step reads numbers below %s",
                       message_quote(std::string(p21text, std::size_t(p21leng)), quoted_most).c_str(), number_limit);
    advance();
    expect(p21_equals, "'='");
    int entity = token == p21_keyword ? entity_named(p21text, std::size_t(p21leng)) : -1;
    if (entity >= 0 && numbered) {
        entity_instance_read(Entity(entity));
    } else if (token == p21_keyword || token == p21_open) {
        std::string name = other_instance_read();
        if (numbered)
            instance_skipped(instance.number, instance.line, name);
    } else {
        syntax_error("a keyword or '('");
    }
    expect(p21_semicolon, "';'");
}

} // namespace

void exchange_file_read()
{
    advance();
    if (token != p21_file_start)
        syntax_error("'ISO-10303-21'", token == p21_stray && p21text[0] == '<'
            ? "this is a dictionary; dict2step FILE, without -r, converts it into an exchange file"
            : nullptr);
    advance();
    expect(p21_semicolon, "';'");
    expect(p21_header, "'HEADER'");
    expect(p21_semicolon, "';'");
    while (token == p21_keyword) {
        advance();
        expect(p21_open, "'('");
        list_rest_skip();
        expect(p21_semicolon, "';'");
    }
    expect(p21_endsec, "a header entity or 'ENDSEC'");
    expect(p21_semicolon, "';'");
    if (token != p21_data)
        syntax_error("'DATA'");
    // A file may hold several data sections, each DATA with the name and
    // schema of its section in parentheses, or without.
    while (token == p21_data) {
        advance();
        if (token == p21_open) {
            advance();
            list_rest_skip();
        }
        expect(p21_semicolon, "';'");
        while (token == p21_instance)
            instance_read();
        expect(p21_endsec, "an instance or 'ENDSEC'");
        expect(p21_semicolon, "';'");
    }
    expect(p21_file_end, "'DATA' or 'END-ISO-10303-21'");
    expect(p21_semicolon, "';'");
    if (token != p21_end_of_input)
        syntax_error("end of input");
    dictionary_complete();
    if (input_error_reported())
        stop_conversion_failed();
}
