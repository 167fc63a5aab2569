// Test driver: checks exchange files against the EXPRESS texts of the schema
// their header names, read from the .exp files of SCHEMA-DIRECTORY (their
// SCHEMA, USE FROM, ENTITY, TYPE and CONSTANT blocks). For each instance: its
// entity is in that schema and not abstract; one value for each explicit
// attribute, the supertypes' first from the root down; $ only where OPTIONAL,
// * only where a subtype derives the attribute; typed values (LABEL('...'))
// exactly where a SELECT stands, of a type it allows; references to the
// declared entity or a subtype; aggregate bounds; the token of each simple
// type; STRING widths and FIXED lengths, in decoded characters; the WHERE
// rules made of comparisons, LIKE, LENGTH, check_label_length and
// check_syn_length on the value or on the instance's attributes, with NOT,
// AND, OR and XOR (a TYPE's rules hold along its chain of TYPE declarations).
// Skipped: rules that need anything else (other functions, QUERY, SIZEOF,
// TYPEOF, USEDIN, EXISTS, IN, attributes reached through references or
// derived) and the global RULEs. The header's three entities are checked
// loosely. Each problem is a line: FILE:LINE: #N ENTITY attribute: what.
// Usage: schema_check [-s TYPE,...] SCHEMA-DIRECTORY FILE...
// -s skips the WHERE rules of the TYPEs named. Exit status 0 when no file has
// a problem, 1 when one has, 2 when the EXPRESS files cannot be read.
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Token {
    char kind = 'e';             // EXPRESS: 'w' word (lower case), 'n' number, 's' string, 'p' punctuation;
                                 // exchange file: 'w' keyword, 'i', 'r', 's', '#', '.', 'p', 'x' error; 'e' end
    std::string text;            // as written; an EXPRESS string without its quotes; an error's message
    std::u32string chars;        // an exchange file string's characters, decoded
    std::size_t begin = 0, end = 0; // where it stands in its file
    int line = 0;
};

struct Cursor {                  // reads a list of tokens that ends in an 'e' token
    const std::vector<Token> *tokens = nullptr;
    std::size_t at = 0;
};

const Token &look(const Cursor &c, std::size_t ahead = 0) { return (*c.tokens)[std::min(c.at + ahead, c.tokens->size() - 1)]; }
bool more(const Cursor &c) { return look(c).kind != 'e' && look(c).kind != 'x'; }
const Token &next(Cursor &c) { return (*c.tokens)[more(c) ? c.at++ : c.at]; }
bool accept(Cursor &c, const char *text) { return more(c) && look(c).text == text && (++c.at, true); }

struct Type {
    enum Kind { NAMED, SIMPLE, AGGREGATE, SELECT, ENUMERATION } kind = NAMED;
    std::string name;            // the type named; string, integer...; set, list...; a SELECT's own name
    long lo = 0, hi = -1;        // an aggregate's bounds (-1 for ?); hi is also a STRING's width
    bool fixed = false;          // STRING(n) FIXED; an aggregate OF OPTIONAL elements
    const Type *element = nullptr; // an aggregate's elements
    std::vector<std::string> items; // a SELECT's or an ENUMERATION's
};

struct Rule {
    std::string owner, label, text; // the ENTITY or TYPE, WR1, the rule as written
    std::vector<Token> tokens;
};

struct Attribute {
    std::string owner, name;     // the entity that declares it first
    const Type *type = nullptr;
    bool optional = false;
    bool derived = false;        // a subtype derives it: its instances write *
};

struct Entity {
    std::string schema;
    bool abstract = false;
    std::vector<std::string> supertypes;
    std::vector<Attribute> declared; // its explicit attributes and redeclarations, as written
    std::vector<Rule> rules;
    bool listed = false;         // the three below are filled
    bool incomplete = false;     // a supertype is in no file read
    std::vector<Attribute> attributes; // as its instances write them
    std::vector<const Rule *> all_rules; // its own and its supertypes'
};

std::deque<Type> type_store;       // every type read, kept until exit
std::set<std::string> schemas;
std::map<std::string, Entity> entities;
std::map<std::string, const Type *> types;           // TYPE name = type;
std::map<std::string, std::vector<Rule>> type_rules;  // and its WHERE rules
std::map<std::string, std::vector<Token>> constants;  // each one's expression
std::map<std::string, std::vector<std::pair<std::string, std::string>>> uses; // schema: (from, entity or "" for all)
std::set<std::string> skipped_rules;                  // the TYPEs named by -s

std::string cased(std::string s, int (*change)(int))
{
    for (char &c : s)
        c = char(change((unsigned char)c));
    return s;
}

std::string lower(const std::string &s) { return cased(s, std::tolower); }
std::string upper(const std::string &s) { return cased(s, std::toupper); }

bool read_file(const char *path, std::string *text)
{
    FILE *file = std::fopen(path, "rb");
    char block[65536];
    for (std::size_t n; file != nullptr && (n = std::fread(block, 1, sizeof block, file)) > 0;)
        text->append(block, n);
    return file != nullptr && std::fclose(file) == 0;
}

// ---- The EXPRESS texts

std::vector<Token> express_tokens(const std::string &s)
{
    static const std::set<std::string> pairs = {":=", "<=", ">=", "<>", "<*", "||", "**"};
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < s.size();) {
        Token t;
        unsigned char c = s[t.begin = i];
        if (std::isspace(c)) {
            ++i;
            continue;
        } else if (s.compare(i, 2, "--") == 0) {
            i = std::min(s.find('\n', i), s.size());
            continue;
        } else if (s.compare(i, 2, "(*") == 0) { // remarks nest
            for (int depth = 0; i < s.size() && (depth > 0 || i == t.begin);) {
                int opens = s.compare(i, 2, "(*") == 0, closes = s.compare(i, 2, "*)") == 0;
                depth += opens - closes;
                i += 1 + opens + closes;
            }
            continue;
        } else if (std::isalnum(c) || c == '_') {
            while (i < s.size() && (std::isalnum((unsigned char)s[i]) || s[i] == '_' || (std::isdigit(c) && s[i] == '.')))
                ++i;
            t.kind = std::isdigit(c) ? 'n' : 'w';
            t.text = lower(s.substr(t.begin, i - t.begin));
        } else if (c == '\'') {
            for (t.kind = 's', ++i; i < s.size() && (s[i] != '\'' || s.compare(i, 2, "''") == 0); ++i) {
                i += s[i] == '\''; // '' stands for one apostrophe
                t.text += s[i];
            }
            ++i;
        } else {
            t.kind = 'p';
            i += 1 + pairs.count(s.substr(i, 2));
            t.text = s.substr(t.begin, i - t.begin);
        }
        t.end = i;
        tokens.push_back(t);
    }
    tokens.emplace_back();
    return tokens;
}

void skip_statement(Cursor &x)
{
    while (more(x) && !accept(x, ";"))
        ++x.at;
}

Type *parse_type(Cursor &x)
{
    Type *t = &type_store.emplace_back();
    t->name = next(x).text;
    if (t->name == "set" || t->name == "list" || t->name == "bag" || t->name == "array") {
        t->kind = Type::AGGREGATE;
        if (accept(x, "[")) {
            t->lo = std::atol(next(x).text.c_str());
            accept(x, ":");
            t->hi = accept(x, "?") ? -1 : std::atol(next(x).text.c_str());
            accept(x, "]");
        }
        accept(x, "of");
        t->fixed = accept(x, "optional");
        accept(x, "unique");
        t->element = parse_type(x);
    } else if (t->name == "select" || t->name == "enumeration") {
        t->kind = t->name == "select" ? Type::SELECT : Type::ENUMERATION;
        accept(x, "of");
        for (accept(x, "("); more(x) && !accept(x, ")");)
            if (const Token &item = next(x); item.kind == 'w')
                t->items.push_back(item.text);
    } else if (std::strstr(" string binary integer real number boolean logical ", (" " + t->name + " ").c_str())) {
        t->kind = Type::SIMPLE;
        if (accept(x, "(")) {
            t->hi = std::atol(next(x).text.c_str());
            accept(x, ")");
        }
        t->fixed = accept(x, "fixed");
    }
    return t;
}

// A WHERE rule up to its ';', with its label if it has one.
Rule parse_rule(Cursor &x, const std::string &source, const std::string &owner)
{
    Rule r;
    r.owner = owner;
    if (look(x, 1).text == ":")
        r.label = upper(next(x).text), ++x.at;
    while (more(x) && look(x).text != ";")
        r.tokens.push_back(next(x));
    for (std::size_t i = r.tokens.empty() ? 0 : r.tokens.front().begin; !r.tokens.empty() && i < r.tokens.back().end; ++i)
        if (!std::isspace((unsigned char)source[i]) || r.text.back() != ' ')
            r.text += std::isspace((unsigned char)source[i]) ? ' ' : source[i];
    r.tokens.emplace_back();
    accept(x, ";");
    return r;
}

// ENTITY name [ABSTRACT] [SUPERTYPE OF (...)] [SUBTYPE OF (...)]; then its
// explicit attributes, the DERIVE section's redeclarations, its WHERE rules.
void parse_entity(Cursor &x, const std::string &source, const std::string &schema)
{
    std::string name = next(x).text;
    Entity &e = entities[name];
    e.schema = schema;
    while (more(x) && !accept(x, ";")) {
        if (accept(x, "abstract")) {
            e.abstract = true;
        } else if (accept(x, "subtype") && accept(x, "of") && accept(x, "(")) {
            while (more(x) && !accept(x, ")"))
                if (const Token &t = next(x); t.kind == 'w')
                    e.supertypes.push_back(t.text);
        } else {
            ++x.at;
        }
    }
    static const std::set<std::string> sections = {"derive", "inverse", "unique", "where"};
    for (std::string section = "explicit"; more(x) && !accept(x, "end_entity");) {
        if (sections.count(look(x).text)) {
            section = next(x).text;
        } else if (section == "where") {
            e.rules.push_back(parse_rule(x, source, name));
        } else if (section == "explicit" || section == "derive") {
            std::vector<Attribute> names;
            do {
                names.emplace_back();
                names.back().owner = accept(x, "self") && accept(x, "\\") ? next(x).text : name;
                accept(x, ".");
                names.back().name = next(x).text;
            } while (accept(x, ","));
            accept(x, ":");
            bool optional = accept(x, "optional");
            const Type *type = parse_type(x);
            for (Attribute &a : names) {
                a.type = type;
                a.optional = optional;
                a.derived = section == "derive";
                if (!a.derived || a.owner != name)
                    e.declared.push_back(a);
            }
            skip_statement(x);
        } else {
            skip_statement(x);
        }
    }
    accept(x, ";");
}

void read_schema_file(const std::string &path)
{
    std::string source, schema;
    if (!read_file(path.c_str(), &source)) {
        std::fprintf(stderr, "schema_check: cannot read %s\n", path.c_str());
        std::exit(2);
    }
    std::vector<Token> tokens = express_tokens(source);
    for (Cursor x{&tokens}; more(x);) {
        std::string word = next(x).text;
        if (word == "schema") {
            schemas.insert(schema = next(x).text);
            skip_statement(x);
        } else if (word == "entity") {
            parse_entity(x, source, schema);
        } else if (word == "type") { // TYPE name = type; [WHERE rules] END_TYPE;
            std::string name = next(x).text;
            accept(x, "=");
            Type *t = parse_type(x);
            if (t->kind == Type::SELECT || t->kind == Type::ENUMERATION)
                t->name = name;
            types[name] = t;
            skip_statement(x);
            if (accept(x, "where"))
                while (more(x) && look(x).text != "end_type")
                    type_rules[name].push_back(parse_rule(x, source, name));
            skip_statement(x);
        } else if (word == "constant") {
            while (more(x) && !accept(x, "end_constant")) {
                std::vector<Token> &value = constants[next(x).text];
                while (more(x) && !accept(x, ":="))
                    ++x.at;
                while (more(x) && look(x).text != ";")
                    value.push_back(next(x));
                value.emplace_back();
                accept(x, ";");
            }
            accept(x, ";");
        } else if (word == "use" && accept(x, "from")) {
            std::string from = next(x).text;
            if (!accept(x, "("))
                uses[schema].emplace_back(from, "");
            else
                while (more(x) && !accept(x, ")"))
                    if (accept(x, "as"))
                        ++x.at;
                    else if (const Token &t = next(x); t.kind == 'w')
                        uses[schema].emplace_back(from, t.text);
            skip_statement(x);
        } else if (word == "function" || word == "rule" || word == "procedure") {
            for (int depth = 1; more(x) && depth > 0;) {
                const std::string &t = next(x).text;
                depth += t == word ? 1 : t == "end_" + word ? -1 : 0;
            }
            accept(x, ";");
        } else {
            skip_statement(x);
        }
    }
}

bool is_subtype(const std::string &sub, const std::string &super)
{
    auto e = entities.find(sub);
    return sub == super || (e != entities.end() && std::any_of(e->second.supertypes.begin(), e->second.supertypes.end(),
                                                               [&](const std::string &s) { return is_subtype(s, super); }));
}

// Lists an entity's attributes as its instances write them: its supertypes'
// in the order they are named, each entity's once, then its own; a
// redeclaration keeps the attribute's place. Gathers its WHERE rules too.
Entity &complete(const std::string &name)
{
    Entity &e = entities.at(name);
    if (e.listed)
        return e;
    e.listed = true;
    for (const std::string &s : e.supertypes) {
        if (entities.count(s) == 0) {
            e.incomplete = true;
            continue;
        }
        const Entity &super = complete(s);
        e.incomplete |= super.incomplete;
        for (const Attribute &a : super.attributes)
            if (std::none_of(e.attributes.begin(), e.attributes.end(),
                             [&](const Attribute &b) { return b.owner == a.owner && b.name == a.name; }))
                e.attributes.push_back(a);
        for (const Rule *r : super.all_rules)
            if (std::find(e.all_rules.begin(), e.all_rules.end(), r) == e.all_rules.end())
                e.all_rules.push_back(r);
    }
    for (const Attribute &a : e.declared) {
        if (a.owner == name)
            e.attributes.push_back(a);
        for (Attribute &b : e.attributes)
            if (a.owner != name && b.name == a.name && is_subtype(a.owner, b.owner)) {
                b.derived |= a.derived;
                b.type = a.derived ? b.type : a.type;
                b.optional = a.derived ? b.optional : a.optional;
            }
    }
    for (const Rule &r : e.rules)
        e.all_rules.push_back(&r);
    return e;
}

// Whether a schema offers an entity for instances: it declares it, or takes
// it in by USE FROM from a schema that offers it.
bool offers(const std::string &schema, const std::string &entity, int depth = 0)
{
    auto used = uses.find(schema);
    return entities.at(entity).schema == schema ||
           (used != uses.end() && depth < 32 && std::any_of(used->second.begin(), used->second.end(), [&](const auto &u) {
                return (u.second.empty() || u.second == entity) && offers(u.first, entity, depth + 1);
            }));
}

// ---- The exchange file

// The number that digits hex digits at from make, or -1 when they are not there.
long hex(const std::string &s, std::size_t from, int digits)
{
    std::string text = s.substr(std::min(from, s.size()), std::size_t(digits));
    bool whole = int(text.size()) == digits && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    return whole ? std::strtol(text.c_str(), nullptr, 16) : -1;
}

// Decodes the string literal at *i: '' is an apostrophe, \\ a backslash,
// \X\HH one character, \X2\ and \X4\ groups one for each 4 or 8 hex digits
// up to \X0\; line breaks are not part of the text. Returns what is wrong,
// or nullptr.
const char *string_literal(const std::string &s, std::size_t *i, int *line, std::u32string *chars)
{
    for (++*i; *i < s.size();) {
        char c = s[*i], d = *i + 1 < s.size() ? s[*i + 1] : 0;
        if (c == '\'' && d != '\'')
            return ++*i, nullptr;
        if (c == '\n' || c == '\r') {
            *line += c == '\n';
            ++*i;
        } else if (c < 0x20 || c > 0x7E) {
            return "a byte outside 0x20..0x7E in a string literal";
        } else if (c == '\'' || (c == '\\' && d == '\\')) {
            *chars += char32_t(c);
            *i += 2;
        } else if (c != '\\') {
            *chars += char32_t(c);
            ++*i;
        } else if (s.compare(*i, 3, "\\X\\") == 0 && hex(s, *i + 3, 2) >= 0) {
            *chars += char32_t(hex(s, *i + 3, 2));
            *i += 5;
        } else if (s.compare(*i, 4, "\\X2\\") == 0 || s.compare(*i, 4, "\\X4\\") == 0) {
            int digits = s[*i + 2] == '2' ? 4 : 8;
            std::size_t group = chars->size();
            for (*i += 4; s.compare(*i, 4, "\\X0\\") != 0 && hex(s, *i, digits) >= 0; *i += digits)
                *chars += char32_t(hex(s, *i, digits));
            if (s.compare(*i, 4, "\\X0\\") != 0 || chars->size() == group)
                return "a \\X2\\ or \\X4\\ group that is not hex digits up to \\X0\\";
            *i += 4;
        } else {
            return "a backslash that begins no directive in a string literal";
        }
    }
    return "a string literal that is not closed";
}

// The tokens of an exchange file: keywords, integers 'i' and reals 'r'
// ([+-]?digits(.digits*(E[+-]?digits)?)?), strings, references '#',
// enumerations '.', punctuation; they end at an 'x' token where one is wrong.
std::vector<Token> exchange_tokens(const std::string &s)
{
    std::vector<Token> tokens;
    int line = 1;
    auto at = [&](std::size_t i) { return i < s.size() ? s[i] : '\0'; };
    auto digits = [&](std::size_t *i) {
        std::size_t from = *i;
        while (std::isdigit((unsigned char)at(*i)))
            ++*i;
        return *i > from;
    };
    for (std::size_t i = 0; i < s.size();) {
        Token t;
        char c = s[t.begin = i];
        const char *wrong = nullptr;
        t.line = line;
        if (std::isspace((unsigned char)c)) {
            line += c == '\n';
            ++i;
            continue;
        } else if (s.compare(i, 2, "/*") == 0) {
            i = std::min(s.find("*/", i + 2), s.size() - 2) + 2;
            line += int(std::count(s.begin() + long(t.begin), s.begin() + long(i), '\n'));
            continue;
        } else if (std::isalpha((unsigned char)c)) {
            for (t.kind = 'w'; std::isalnum((unsigned char)at(i)) || at(i) == '_' || at(i) == '-';)
                ++i;
        } else if (c == '\'') {
            t.kind = 's';
            wrong = string_literal(s, &i, &line, &t.chars);
        } else if (c == '#' || c == '+' || c == '-' || std::isdigit((unsigned char)c)) {
            t.kind = c == '#' ? '#' : 'i';
            i += !std::isdigit((unsigned char)c);
            bool whole = digits(&i);
            if (whole && t.kind == 'i' && at(i) == '.') {
                t.kind = 'r';
                ++i;
                digits(&i);
                if (at(i) == 'E') {
                    i += 1 + (at(i + 1) == '+' || at(i + 1) == '-');
                    whole = digits(&i);
                }
            }
            if (!whole || std::isalnum((unsigned char)at(i)) || at(i) == '.' || at(i) == '_')
                wrong = "a number or reference that is not [+-]digits[.digits[E[+-]digits]] or #digits";
        } else if (c == '.') {
            for (t.kind = '.', ++i; std::isupper((unsigned char)at(i)) || std::isdigit((unsigned char)at(i)) || at(i) == '_';)
                ++i;
            if (at(i) != '.' || i == t.begin + 1)
                wrong = "an enumeration value that is not .NAME.";
            ++i;
        } else {
            t.kind = c != 0 && std::strchr("(),;=$*", c) != nullptr ? 'p' : 'x';
            wrong = t.kind == 'x' ? "a character that begins no token" : nullptr;
            ++i;
        }
        t.kind = wrong != nullptr ? 'x' : t.kind;
        t.text = wrong != nullptr ? wrong : s.substr(t.begin, i - t.begin);
        tokens.push_back(t);
        if (wrong != nullptr)
            return tokens;
    }
    tokens.emplace_back();
    tokens.back().line = line;
    return tokens;
}

struct Param {
    char kind = 0;               // a token's kind: 'i', 'r', 's', '#', '.'; '$', '*'; '(' an aggregate; 't' a typed value
    std::string text;            // as written; a typed value's type
    std::u32string chars;        // a string's characters
    std::vector<Param> items;    // an aggregate's elements; a typed value's value
};

struct Instance {
    std::string entity;          // in lower case
    int line = 0;
    std::vector<Param> params;
};

const char *file_name;           // the file being checked
std::map<long, Instance> instances; // its DATA section
int problems;                    // lines written, all files

bool problem(int line, const std::string &where, const char *format, ...)
{
    std::printf("%s:%d: %s%s", file_name, line, where.c_str(), where.empty() ? "" : ": ");
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::putchar('\n');
    ++problems;
    return false;
}

bool param(Cursor &c, Param *p)
{
    const Token &t = look(c);
    p->kind = t.kind == 'p' ? t.text[0] : t.kind == 'w' ? 't' : t.kind;
    p->text = p->kind == '(' ? "a list" : t.text;
    p->chars = t.chars;
    if (std::strchr("irs#.$*(t", p->kind) == nullptr)
        return false;
    ++c.at;
    if (p->kind == 't') {
        p->items.emplace_back();
        return accept(c, "(") && param(c, &p->items[0]) && accept(c, ")");
    }
    if (p->kind != '(' || accept(c, ")"))
        return true;
    bool read;
    do
        p->items.emplace_back();
    while ((read = param(c, &p->items.back())) && accept(c, ","));
    return read && accept(c, ")");
}

// Reads the header's entities and the DATA section's instances; reports the
// first syntax error and returns false there.
bool read_exchange_file(const std::vector<Token> &tokens, std::map<std::string, Param> *header)
{
    Cursor c{&tokens};
    bool ok = accept(c, "ISO-10303-21") && accept(c, ";") && accept(c, "HEADER") && accept(c, ";");
    while (ok && look(c).kind == 'w' && look(c).text != "ENDSEC") {
        Param &values = (*header)[next(c).text];
        ok = param(c, &values) && values.kind == '(' && accept(c, ";");
    }
    ok = ok && accept(c, "ENDSEC") && accept(c, ";") && accept(c, "DATA") && accept(c, ";");
    while (ok && look(c).kind == '#') {
        Instance instance;
        Param values;
        int line = instance.line = look(c).line;
        long number = std::atol(next(c).text.c_str() + 1);
        ok = accept(c, "=") && look(c).kind == 'w';
        instance.entity = lower(look(c).text);
        ok = ok && (++c.at, param(c, &values)) && values.kind == '(' && accept(c, ";");
        instance.params = std::move(values.items);
        if (ok && !instances.emplace(number, std::move(instance)).second)
            problem(line, "", "#%ld is defined twice", number);
    }
    ok = ok && accept(c, "ENDSEC") && accept(c, ";") && accept(c, "END-ISO-10303-21") && accept(c, ";") && look(c).kind == 'e';
    const Token &t = look(c);
    return ok || problem(t.line, "", t.kind == 'x' ? "%s" : "syntax error at %s", t.kind == 'x' ? t.text.c_str()
                         : t.kind == 'e' ? "the end of the file" : ("'" + t.text + "'").c_str());
}

// ---- Evaluating the simple WHERE rules

struct Value {
    char kind = 0;               // 'b' logical (number 0 or 1), 'i' integer, 's' string
    long number = 0;
    std::u32string text;
};

struct Eval {
    Cursor rule;
    const Param *self = nullptr; // a TYPE's rules: the value
    const std::vector<Attribute> *attributes = nullptr; // an entity's rules: the instance
    const std::vector<Param> *params = nullptr;
    const Param *read = nullptr; // the attribute read last, for the message
    std::string read_name;
    bool skip = false;           // the rule needs what is not evaluated here
};

Value from_param(Eval &e, const Param *p)
{
    Value v;
    p = p->kind == 't' ? &p->items[0] : p;
    if (p->kind == 's')
        v.kind = 's', v.text = p->chars;
    else if (p->kind == 'i')
        v.kind = 'i', v.number = std::atol(p->text.c_str());
    else
        e.skip = true;
    return v;
}

Value attribute(Eval &e, const std::string &name)
{
    for (std::size_t i = 0; e.attributes != nullptr && i < e.attributes->size(); ++i)
        if ((*e.attributes)[i].name == name && !(*e.attributes)[i].derived) {
            e.read_name = name;
            return from_param(e, e.read = &(*e.params)[i]);
        }
    e.skip = true;
    return Value();
}

// EXPRESS LIKE: * any run, ? one character, # a digit, @ a letter, ^ an
// upper-case letter, & the rest, \ the next character as it is. (The schema
// files use * and #; a pattern with ! or $ skips its rule.)
bool like(const char32_t *s, const char32_t *p)
{
    for (;; ++s, ++p)
        switch (*p) {
        case 0: return *s == 0;
        case '*': return like(s, p + 1) || (*s != 0 && like(s + 1, p));
        case '&': return true;
        case '?': if (*s == 0) return false; break;
        case '#': if (*s < '0' || *s > '9') return false; break;
        case '@': if (*s > 127 || !std::isalpha(int(*s))) return false; break;
        case '^': if (*s < 'A' || *s > 'Z') return false; break;
        case '\\': if (*++p != *s || *s == 0) return false; break;
        default: if (*s != *p) return false;
        }
}

Value expression(Eval &e, int level = 0);

Value primary(Eval &e)
{
    const Token &t = next(e.rule);
    Value v;
    bool call = look(e.rule).text == "(";
    if (t.text == "(") {
        v = expression(e);
        e.skip |= !accept(e.rule, ")");
    } else if (t.kind == 's' || t.kind == 'n') {
        v.kind = t.kind == 's' ? 's' : 'i';
        v.text.assign(t.text.begin(), t.text.end());
        v.number = std::atol(t.text.c_str());
    } else if (t.text == "self" && (accept(e.rule, "\\") || look(e.rule).text == ".")) { // SELF\entity.name, SELF.name
        if (look(e.rule).text != ".")
            ++e.rule.at;
        e.skip |= !accept(e.rule, ".");
        v = attribute(e, next(e.rule).text);
    } else if (t.text == "self" && e.self != nullptr) {
        v = from_param(e, e.self);
    } else if ((t.text == "length" || t.text == "check_label_length" || t.text == "check_syn_length") && call) {
        bool limited = t.text != "length";
        ++e.rule.at;
        Value text = expression(e), limit;
        if (limited && accept(e.rule, ","))
            limit = expression(e);
        e.skip |= !accept(e.rule, ")") || text.kind != 's' || (limited && limit.kind != 'i');
        v.kind = limited ? 'b' : 'i';
        v.number = limited ? long(text.text.size()) <= limit.number : long(text.text.size());
    } else if (t.kind == 'w' && !call && constants.count(t.text)) {
        Eval constant;
        constant.rule.tokens = &constants[t.text];
        v = expression(constant);
        e.skip |= constant.skip || more(constant.rule);
    } else if (t.kind == 'w' && !call) {
        v = attribute(e, t.text);
    } else {
        e.skip = true;
    }
    return v;
}

// Binds loosest at level 0, the relations (a LIKE b AND c reads a LIKE (b
// AND c)); then OR and XOR, then AND; NOT binds tightest.
Value expression(Eval &e, int level)
{
    static const std::set<std::string> operators[] = {{"like", "=", "<>", "<=", ">=", "<", ">"}, {"or", "xor"}, {"and"}};
    if (level == 3 && !accept(e.rule, "not"))
        return primary(e);
    Value a = expression(e, level + (level < 3)), v;
    if (level == 3) {
        e.skip |= a.kind != 'b';
        a.number = !a.number;
    }
    while (level < 3 && operators[level].count(look(e.rule).text)) {
        std::string op = next(e.rule).text;
        Value b = expression(e, level + 1);
        v.kind = 'b';
        if (level > 0)
            v.number = op == "and" ? a.number && b.number : op == "or" ? a.number || b.number : a.number != b.number;
        else if (op == "like" && a.kind == 's' && b.kind == 's')
            v.number = like(a.text.c_str(), b.text.c_str());
        else if (a.kind == 'i' && b.kind == 'i')
            v.number = op == "=" ? a.number == b.number : op == "<>" ? a.number != b.number : op == "<=" ? a.number <= b.number
                     : op == ">=" ? a.number >= b.number : op == "<" ? a.number < b.number : a.number > b.number;
        else
            v.number = (a.text == b.text) == (op == "=");
        e.skip |= (level > 0 && (a.kind != 'b' || b.kind != 'b')) || (level == 0 && a.kind != b.kind) ||
                  (level == 0 && a.kind == 's' && op != "like" && op != "=" && op != "<>") ||
                  (op == "like" && (a.kind != 's' || b.text.find_first_of(U"!$") != std::u32string::npos));
        a = v;
    }
    return a;
}

// Whether a rule holds, or cannot be evaluated here.
bool holds(Eval &e)
{
    Value v = expression(e);
    return e.skip || more(e.rule) || v.kind != 'b' || v.number != 0;
}

// ---- The checks

struct Site {                    // where a value stands, for the messages
    long number;
    const Instance *instance;
    std::string attribute;       // with [i] for an aggregate's elements
};

bool report(const Site &site, const char *format, const std::string &a = "", const std::string &b = "",
            const std::string &c = "")
{
    std::string where = "#" + std::to_string(site.number) + " " + upper(site.instance->entity);
    return problem(site.instance->line, where + (site.attribute.empty() ? "" : " " + site.attribute), format, a.c_str(),
                   b.c_str(), c.c_str());
}

std::string described(const Param &p) { return p.kind == 't' ? p.text + "(" + described(p.items[0]) + ")" : p.text; }

std::string type_text(const Type *t)
{
    if (t->kind == Type::AGGREGATE)
        return upper(t->name) + " [" + std::to_string(t->lo) + ":" + (t->hi < 0 ? "?" : std::to_string(t->hi)) + "] OF " +
               type_text(t->element);
    if (t->kind == Type::SIMPLE)
        return upper(t->name) + (t->hi < 0 ? "" : "(" + std::to_string(t->hi) + ")") + (t->fixed ? " FIXED" : "");
    return t->name;
}

bool check_value(const Site &site, const Param &p, const Type *t);

bool check_reference(const Site &site, const Param &p, const std::vector<std::string> &allowed, const std::string &what)
{
    if (p.kind != '#')
        return report(site, "%s where %s is required: write a reference #N to an instance", described(p), what);
    auto target = instances.find(std::atol(p.text.c_str() + 1));
    if (target == instances.end())
        return report(site, "%s is no instance of the file", p.text);
    for (const std::string &a : allowed)
        if (is_subtype(target->second.entity, a))
            return true;
    return report(site, "%s is a %s, which is not a %s", p.text, upper(target->second.entity), what);
}

// What a SELECT allows, through nested SELECTs: typed values, and entities.
void select_members(const Type *t, std::vector<std::string> *typed, std::vector<std::string> *referenced)
{
    for (const std::string &item : t->items) {
        auto d = types.find(item);
        while (d != types.end() && d->second->kind == Type::NAMED) // TYPE x = y;
            d = types.find(d->second->name);
        if (entities.count(item))
            referenced->push_back(item);
        else if (d != types.end() && d->second->kind == Type::SELECT)
            select_members(d->second, typed, referenced);
        else
            typed->push_back(item);
    }
}

bool check_select(const Site &site, const Param &p, const Type *t)
{
    std::vector<std::string> typed, referenced;
    select_members(t, &typed, &referenced);
    if (p.kind == '#' || (p.kind != 't' && typed.empty()))
        return check_reference(site, p, referenced, t->name);
    std::string allowed, name = lower(p.text);
    for (const std::string &type : typed)
        allowed += (allowed.empty() ? "" : ", ") + upper(type) + "(...)";
    if (p.kind != 't')
        return report(site, "%s is not typed where %s is a SELECT: write it as %s", described(p), t->name, allowed);
    if (std::find(typed.begin(), typed.end(), name) == typed.end())
        return report(site, "%s is not a type that the SELECT %s allows: %s", described(p), t->name, allowed);
    Type chosen;
    chosen.name = name;
    return check_value(site, p.items[0], &chosen);
}

bool check_simple(const Site &site, const Param &p, const Type *t)
{
    const std::string &s = t->name;
    bool truth = p.text == ".T." || p.text == ".F.";
    bool right = s == "string" ? p.kind == 's'
               : s == "integer" ? p.kind == 'i'
               : s == "real" ? p.kind == 'r'
               : s == "number" ? p.kind == 'i' || p.kind == 'r'
               : s == "boolean" ? truth
               : s == "logical" && (truth || p.text == ".U.");
    long length = long(p.chars.size());
    if (!right && s == "real" && p.kind == 'i')
        return report(site, "%s is an INTEGER token where the type is REAL: write %s.", p.text, p.text);
    if (!right)
        return report(site, "%s where the type is %s", described(p), type_text(t));
    if (s == "string" && t->hi >= 0 && (t->fixed ? length != t->hi : length > t->hi))
        return report(site, "%s has %s characters where the type is %s", p.text, std::to_string(length), type_text(t));
    return true;
}

// Checks a value against its type, and a TYPE's WHERE rules on it.
bool check_value(const Site &site, const Param &p, const Type *t)
{
    auto d = types.find(t->name);
    if (t->kind == Type::NAMED && entities.count(t->name))
        return check_reference(site, p, {t->name}, t->name);
    if (t->kind == Type::NAMED && d == types.end())
        return report(site, "the type %s is in no schema file read", t->name);
    if (t->kind == Type::NAMED) {
        if (!check_value(site, p, d->second))
            return false;
        for (const Rule &r : type_rules[t->name]) {
            Eval e;
            e.rule.tokens = &r.tokens;
            e.self = &p;
            if (skipped_rules.count(t->name) == 0 && !holds(e))
                report(site, "%s breaks %s: %s", described(p), r.owner + "'s rule " + r.label, r.text);
        }
        return true;
    }
    if (p.kind == '$' || p.kind == '*')
        return report(site, "%s where a value of %s is required", p.text, type_text(t));
    if (p.kind == 't' && t->kind != Type::SELECT)
        return report(site, "%s is typed where %s is no SELECT: write the value alone", described(p), type_text(t));
    if (t->kind == Type::SELECT)
        return check_select(site, p, t);
    if (t->kind == Type::SIMPLE)
        return check_simple(site, p, t);
    if (t->kind == Type::ENUMERATION) {
        std::string item = p.kind == '.' ? lower(p.text.substr(1, p.text.size() - 2)) : "";
        return std::find(t->items.begin(), t->items.end(), item) != t->items.end() ||
               report(site, "%s is not a value of the ENUMERATION %s", described(p), t->name);
    }
    if (p.kind != '(')
        return report(site, "%s where the type is %s: write a list (...)", described(p), type_text(t));
    long n = long(p.items.size());
    bool right = (n >= t->lo && (t->hi < 0 || n <= t->hi)) ||
                 report(site, "%s elements where the type is %s", std::to_string(n), type_text(t));
    for (std::size_t i = 0; i < p.items.size(); ++i)
        if (p.items[i].kind != '$' || !t->fixed)
            right = check_value({site.number, site.instance, site.attribute + "[" + std::to_string(i + 1) + "]"},
                                p.items[i], t->element) && right;
    return right;
}

void check_instance(long number, const Instance &instance, const std::string &schema)
{
    Site site{number, &instance, ""};
    if (entities.count(instance.entity) == 0)
        return (void)report(site, "no entity of this name in the schema files");
    Entity &e = complete(instance.entity);
    if (e.incomplete)
        return (void)report(site, "a supertype of this entity is in no schema file read");
    if (!schema.empty() && !offers(schema, instance.entity))
        report(site, "the schema %s neither declares this entity nor takes it in by USE FROM", upper(schema));
    if (e.abstract)
        report(site, "the entity is abstract: only its subtypes have instances");
    std::string names;
    for (const Attribute &a : e.attributes)
        names += (names.empty() ? "" : ", ") + a.name;
    if (instance.params.size() != e.attributes.size())
        return (void)report(site, "%s values where the entity has %s attributes: %s", std::to_string(instance.params.size()),
                            std::to_string(e.attributes.size()), names);
    for (std::size_t i = 0; i < e.attributes.size(); ++i) {
        const Attribute &a = e.attributes[i];
        const Param &p = instance.params[i];
        site.attribute = a.name;
        if (a.derived != (p.kind == '*'))
            report(site, a.derived ? "%s where a subtype derives the attribute: write *" : "* where the attribute is not derived",
                   described(p));
        else if (p.kind == '$' && !a.optional)
            report(site, "$ where the attribute is not OPTIONAL");
        else if (p.kind != '$' && p.kind != '*')
            check_value(site, p, a.type);
    }
    for (const Rule *r : e.all_rules) {
        Eval ev;
        ev.rule.tokens = &r->tokens;
        ev.attributes = &e.attributes;
        ev.params = &instance.params;
        if (!holds(ev)) {
            site.attribute = ev.read_name;
            report(site, "%s breaks %s: %s", ev.read != nullptr ? described(*ev.read) : "the instance",
                   upper(r->owner) + "'s rule " + r->label, r->text);
        }
    }
}

// Reads an exchange file, checks its header loosely, then every instance.
void check_file(const char *name)
{
    std::string text;
    file_name = name;
    instances.clear();
    if (!read_file(name, &text))
        return (void)problem(0, "", "cannot be read");
    std::vector<Token> tokens = exchange_tokens(text);
    std::map<std::string, Param> header;
    if (!read_exchange_file(tokens, &header))
        return;
    static const std::pair<const char *, std::size_t> frame[] = {{"FILE_DESCRIPTION", 2}, {"FILE_NAME", 7}, {"FILE_SCHEMA", 1}};
    for (const auto &[entity, count] : frame)
        if (header[entity].items.size() != count)
            problem(tokens[2].line, "header", "%s with %zu values is missing", entity, count);
    std::string schema;
    const Param &names = header["FILE_SCHEMA"];
    if (names.items.size() == 1 && names.items[0].kind == '(' && names.items[0].items.size() == 1)
        for (char32_t c : names.items[0].items[0].chars)
            schema += char(std::tolower(int(c & 0x7F)));
    if (schemas.count(schema) == 0) {
        problem(tokens[2].line, "header", "FILE_SCHEMA names no schema of the EXPRESS files read");
        schema.clear();
    }
    for (const auto &[number, instance] : instances)
        check_instance(number, instance, schema);
}

} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-s") == 0) {
        std::string list = lower(argv[2]) + ",";
        for (std::size_t start = 0, comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
            skipped_rules.insert(list.substr(start, comma - start));
        first = 3;
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: schema_check [-s TYPE,...] SCHEMA-DIRECTORY FILE...\n");
        return 2;
    }
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(argv[first], error))
        if (entry.path().extension() == ".exp")
            paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    for (const std::string &path : paths)
        read_schema_file(path);
    if (paths.empty()) {
        std::fprintf(stderr, "schema_check: no .exp file in %s\n", argv[first]);
        return 2;
    }
    // identifier, label and text come from an ISO 10303 resource schema that
    // is not among the EXPRESS files; it declares all three as STRING.
    Type &string = type_store.emplace_back();
    string.kind = Type::SIMPLE;
    string.name = "string";
    for (const char *name : {"identifier", "label", "text"})
        types.emplace(name, &string);
    for (int i = first + 1; i < argc; ++i)
        check_file(argv[i]);
    return problems > 0;
}
