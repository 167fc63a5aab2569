// Test driver: checks exchange files against the ENTITY, TYPE and CONSTANT
// blocks of the EXPRESS files in SCHEMA-DIRECTORY. For each instance: its
// entity exists; one value for each explicit attribute, the supertypes' first
// from the root down; $ only where OPTIONAL, * only where a subtype derives
// the attribute; typed values (LABEL('...')) exactly where a SELECT stands, of
// a type it allows; references to the entity declared or a subtype; aggregate
// bounds; the token of each simple type; STRING widths and FIXED lengths in
// decoded characters; the WHERE rules of the few shapes listed at "The WHERE
// rules", a TYPE's along its chain of TYPE declarations. Rules of any other
// shape are skipped, as are global RULEs; ENUMERATION values, USE FROM and
// the header are not checked. Each problem is a line:
// FILE:LINE: #N ENTITY attribute: what.
// Usage: schema_check [-s TYPE,...] SCHEMA-DIRECTORY FILE...
// -s skips the WHERE rules of the TYPEs named. Exit status 0 when no file has
// a problem, 1 when one has, 2 when the EXPRESS files cannot be read.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

struct Token {                   // of an EXPRESS text or an exchange file; in the latter, a value too
    char kind = 'e';             // 'w' word, 'n' number, 's' string, '#' reference, '.' enumeration, 'p' punctuation,
                                 // '(' a list of values; 'x' one that is wrong, 'e' the end
    std::string text;            // as written, an EXPRESS word in lower case
    std::u32string chars;        // a string's characters, decoded
    std::size_t begin = 0, end = 0; // where it stands in its file
    int line = 0;
    std::vector<Token> items;    // a list's values; a word's: a typed value's one value, an instance's values
};

struct Cursor {                  // reads a list of tokens that ends in an 'e' or 'x' token
    const std::vector<Token> *tokens = nullptr;
    std::size_t at = 0;
};

const Token &look(const Cursor &c, std::size_t ahead = 0) { return (*c.tokens)[std::min(c.at + ahead, c.tokens->size() - 1)]; }
bool more(const Cursor &c) { return look(c).kind != 'e' && look(c).kind != 'x'; }
const Token &next(Cursor &c) { return (*c.tokens)[more(c) ? c.at++ : c.at]; }
bool accept(Cursor &c, const char *text) { return more(c) && look(c).text == text && (++c.at, true); }
bool among(const std::string &words, const std::string &word) { return words.find(" " + word + " ") != std::string::npos; }

struct Rule {
    std::string text;            // as written, with its label
    Cursor at;                   // its first token after the label, among its EXPRESS file's
};

struct Type {
    enum Kind { NAMED, SIMPLE, AGGREGATE, SELECT } kind = NAMED; // an ENUMERATION is SIMPLE, its values unchecked
    std::string name;            // the type named; string, integer...; set, list...; a SELECT's TYPE
    std::string text;            // as written, for the messages
    long lo = 0, hi = -1;        // an aggregate's bounds (-1 for ?); hi is also a STRING's width
    bool fixed = false;          // STRING(n) FIXED; an aggregate OF OPTIONAL elements
    const Type *element = nullptr; // an aggregate's elements
    std::vector<std::string> items; // a SELECT's
    std::vector<Rule> rules;     // a TYPE's WHERE rules
};

struct Attribute {
    std::string owner, name;     // the entity that declares it first
    const Type *type = nullptr;
    bool optional = false, derived = false; // derived: a subtype derives it, its instances write *
};

struct Entity {
    std::vector<std::string> supertypes;
    std::vector<Attribute> attributes; // its explicit ones and its redeclarations, as written
    std::vector<Rule> rules;
};

std::deque<Type> type_store;            // every type read, at addresses that stay
std::deque<std::string> sources;         // the EXPRESS files' texts
std::deque<std::vector<Token>> token_lists; // and their tokens, which the rules point into
std::map<std::string, Entity> entities;
std::map<std::string, Type *> types;    // TYPE name = type;
std::map<std::string, long> constants;  // the INTEGER ones
std::string skipped_rules;              // the TYPEs named by -s, each between blanks
const char *file_name;                  // the exchange file being checked
std::map<long, Token> instances;        // its DATA section: each one's entity name, line and values
long number;                            // the instance being checked
int problems;                           // lines written, all files

std::string cased(std::string s, int (*change)(int))
{
    std::transform(s.begin(), s.end(), s.begin(), [&](unsigned char c) { return char(change(c)); });
    return s;
}

bool read_file(const char *path, std::string *text)
{
    FILE *file = std::fopen(path, "rb");
    char block[65536];
    for (std::size_t n; file != nullptr && (n = std::fread(block, 1, sizeof block, file)) > 0;)
        text->append(block, n);
    return file != nullptr && std::fclose(file) == 0;
}

bool problem(int line, const std::string &where, const std::string &what)
{
    std::printf("%s:%d: %s%s%s\n", file_name, line, where.c_str(), where.empty() ? "" : ": ", what.c_str());
    return ++problems, false;
}

// The tokens of an EXPRESS text, its words in lower case, or of an exchange
// file, with references #N, enumerations .NAME., signed numbers and '-' in
// words. A number is [+-]digits[.digits[E[+-]digits]]. In a string '' is an
// apostrophe, \\ a backslash, \X\HH a character, and \X2\ and \X4\ groups
// of 4 or 8 hex digits a character each up to \X0\; line breaks are no part
// of it. Remarks are skipped; the list ends at an 'x' token where one is wrong.
std::vector<Token> tokens_of(const std::string &s, bool exchange)
{
    std::vector<Token> tokens;
    int line = 1;
    auto at = [&](std::size_t i) { return i < s.size() ? s[i] : '\0'; };
    auto digits = [&](std::size_t i) { while (std::isdigit((unsigned char)at(i))) ++i; return i; };
    auto hex = [&](std::size_t i, std::size_t n) { return char32_t(std::strtoul(s.substr(i, n).c_str(), nullptr, 16)); };
    for (std::size_t i = 0; i < s.size();) {
        Token t;
        char c = s[t.begin = i];
        bool blank = std::isspace((unsigned char)c), wrong = false;
        const char *remark = exchange ? "/**/" : c == '-' ? "--\n" : "(**)"; // how one opens, then closes
        t.line = line;
        if (blank || (c == remark[0] && at(i + 1) == remark[1])) {
            std::size_t end = blank ? i : s.find(remark + 2, i + 2);
            i = end == std::string::npos ? s.size() : end + (blank ? 1 : std::strlen(remark + 2));
            line += int(std::count(s.begin() + long(t.begin), s.begin() + long(i), '\n'));
            continue;
        } else if (c == '\'') {
            for (t.kind = 's', ++i; !wrong && i < s.size() && (s[i] != '\'' || at(i + 1) == '\'');) {
                std::size_t group = s.compare(i, 4, "\\X2\\") == 0 ? 4 : s.compare(i, 4, "\\X4\\") == 0 ? 8 : 0;
                for (i += group > 0 ? 4 : 0; group > 0 && i < s.size() && s[i] != '\'' && s.compare(i, 4, "\\X0\\") != 0; i += group)
                    t.chars += hex(i, group);
                if (group > 0)
                    wrong = s.compare(i, 4, "\\X0\\") != 0, i += 4;
                else if (s.compare(i, 3, "\\X\\") == 0)
                    t.chars += hex(i + 3, 2), i += 5;
                else if (s[i] == '\n' || s[i] == '\r')
                    line += s[i++] == '\n';
                else if (!(wrong = !std::isprint((unsigned char)s[i]) || (s[i] == '\\' && at(i + 1) != '\\')))
                    t.chars += s[i], i += 1 + (s[i] == '\'' || s[i] == '\\');
            }
            wrong |= i++ >= s.size();
        } else if (std::isalpha((unsigned char)c)) {
            for (t.kind = 'w'; std::isalnum((unsigned char)at(i)) || at(i) == '_' || (exchange && at(i) == '-');)
                ++i;
        } else if (std::isdigit((unsigned char)c) || (exchange && std::strchr("#+-", c) != nullptr)) {
            std::size_t from = i + !std::isdigit((unsigned char)c);
            t.kind = c == '#' ? '#' : 'n';
            wrong = (i = digits(from)) == from;
            if (t.kind == 'n' && at(i) == '.' && at(i = digits(i + 1)) == 'E')
                i = digits(i + 1 + (at(i + 1) == '+' || at(i + 1) == '-'));
        } else if (exchange && c == '.') {
            for (t.kind = '.', ++i; std::isupper((unsigned char)at(i)) || std::isdigit((unsigned char)at(i)) || at(i) == '_';)
                ++i;
            wrong = at(i++) != '.' || i == t.begin + 2;
        } else {
            t.kind = 'p';
            i += !exchange && among(" := <= >= <> <* ", s.substr(i, 2)) ? 2 : 1;
        }
        t.kind = wrong ? 'x' : t.kind;
        t.end = std::min(i, s.size());
        t.text = s.substr(t.begin, t.end - t.begin);
        t.text = t.kind == 'w' && !exchange ? cased(t.text, std::tolower) : t.text;
        tokens.push_back(t);
        if (wrong)
            return tokens;
    }
    tokens.emplace_back().line = line;
    return tokens;
}

// ---- The EXPRESS texts

void skip_statement(Cursor &x)
{
    while (more(x) && !accept(x, ";"))
        ++x.at;
}

// The text from token from up to the cursor as written, each run of blanks one space.
std::string spelled(const std::string &source, const Cursor &x, std::size_t from)
{
    std::string text;
    for (std::size_t i = (*x.tokens)[from].begin; from < x.at && i < (*x.tokens)[x.at - 1].end; ++i)
        if (!std::isspace((unsigned char)source[i]) || text.back() != ' ')
            text += std::isspace((unsigned char)source[i]) ? ' ' : source[i];
    return text;
}

Type *parse_type(Cursor &x, const std::string &source)
{
    Type *t = &type_store.emplace_back();
    std::size_t from = x.at;
    t->name = next(x).text;
    if (among(" set list bag array ", t->name)) {
        t->kind = Type::AGGREGATE;
        t->lo = accept(x, "[") ? std::atol(next(x).text.c_str()) : 0;
        t->hi = accept(x, ":") && !accept(x, "?") ? std::atol(next(x).text.c_str()) : -1;
        accept(x, "]"), accept(x, "of");
        t->fixed = accept(x, "optional");
        accept(x, "unique");
        t->element = parse_type(x, source);
    } else if (among(" select enumeration ", t->name)) {
        t->kind = t->name == "select" ? Type::SELECT : Type::SIMPLE;
        for (accept(x, "of"), accept(x, "("); more(x) && !accept(x, ")"); ++x.at)
            if (look(x).kind == 'w')
                t->items.push_back(look(x).text);
    } else if (among(" string binary integer real number boolean logical ", t->name)) {
        t->kind = Type::SIMPLE;
        t->hi = accept(x, "(") ? std::atol(next(x).text.c_str()) : -1;
        accept(x, ")");
        t->fixed = accept(x, "fixed");
    }
    t->text = spelled(source, x, from);
    return t;
}

// Reads the ENTITY, TYPE and CONSTANT blocks of an EXPRESS file a statement at
// a time: an entity's supertypes, explicit attributes, the redeclarations of
// its DERIVE section and its WHERE rules; a TYPE's type and WHERE rules.
void read_schema_file(const std::string &path)
{
    std::string &source = sources.emplace_back(); // kept, as its tokens, for the rules
    auto &tokens = token_lists.emplace_back(tokens_of(read_file(path.c_str(), &source) ? source : "", false));
    std::string owner, section;  // the ENTITY or TYPE being read; explicit, derive, where, constant...
    Entity *e = nullptr;
    std::vector<Rule> *rules = nullptr;
    if (source.empty() || tokens.back().kind == 'x') {
        std::fprintf(stderr, "schema_check: %s:%d: cannot be read, or has a wrong string\n", path.c_str(), tokens.back().line);
        std::exit(2);
    }
    for (Cursor x{&tokens}; more(x); skip_statement(x)) {
        while (among(" derive inverse unique where constant ", look(x).text))
            section = next(x).text;
        std::string word = look(x).text;
        if (word.compare(0, 4, "end_") == 0) {
            section.clear(), e = nullptr, rules = nullptr;
        } else if (accept(x, "entity")) { // name ... SUBTYPE OF (...);
            e = &entities[owner = next(x).text];
            rules = &e->rules, section = "explicit";
            while (more(x) && look(x).text != ";" && !accept(x, "subtype"))
                ++x.at;
            for (accept(x, "of"), accept(x, "("); more(x) && look(x).text != ";" && !accept(x, ")"); ++x.at)
                if (look(x).kind == 'w')
                    e->supertypes.push_back(look(x).text);
        } else if (accept(x, "type")) { // name = type;
            owner = next(x).text, accept(x, "=");
            Type *t = types[owner] = parse_type(x, source);
            t->name = t->kind == Type::SELECT ? owner : t->name;
            rules = &t->rules, e = nullptr;
        } else if (section == "where" && rules != nullptr) { // [label:] rule;
            std::size_t from = x.at;
            rules->push_back({"", {&tokens, x.at + (look(x, 1).text == ":" ? 2 : 0)}});
            while (more(x) && look(x).text != ";")
                ++x.at;
            rules->back().text = spelled(source, x, from);
        } else if (e != nullptr && (section == "explicit" || section == "derive")) { // [SELF\entity.]name, ...: type
            std::vector<std::pair<std::string, std::string>> names;
            do {
                std::string from = accept(x, "self") && accept(x, "\\") ? next(x).text : owner;
                names.emplace_back(from, (accept(x, "."), next(x).text));
            } while (accept(x, ","));
            bool optional = accept(x, ":") && accept(x, "optional");
            const Type *type = parse_type(x, source);
            for (const auto &[from, name] : names)
                if (section == "explicit" || from != owner) // its own derived attributes have no value
                    e->attributes.push_back({from, name, type, optional, section == "derive"});
        } else if (section == "constant") { // name : type := value;
            while (more(x) && !accept(x, ":="))
                ++x.at;
            if (look(x, 1).text == ";" && (look(x).kind == 'n' || constants.count(look(x).text)))
                constants[word] = look(x).kind == 'n' ? std::atol(look(x).text.c_str()) : constants[look(x).text];
        }
    }
}

// An entity and its supertypes, each once, the supertypes first from the root down.
std::vector<std::string> lineage(const std::string &name)
{
    std::vector<std::string> all;
    auto e = entities.find(name);
    for (const std::string &s : e != entities.end() ? e->second.supertypes : std::vector<std::string>())
        for (const std::string &a : lineage(s))
            if (std::find(all.begin(), all.end(), a) == all.end())
                all.push_back(a);
    all.push_back(name);
    return all;
}

bool is_subtype(const std::string &sub, const std::string &super)
{
    std::vector<std::string> all = lineage(sub);
    return std::find(all.begin(), all.end(), super) != all.end();
}

// The attributes that an entity's instances write, in their order; a
// redeclaration keeps the attribute's place.
std::vector<Attribute> attributes_of(const std::string &name)
{
    std::vector<Attribute> all;
    for (const std::string &entity : lineage(name))
        for (const Attribute &a : entities[entity].attributes)
            if (a.owner == entity)
                all.push_back(a);
            else
                for (Attribute &b : all)
                    if (b.name == a.name && is_subtype(a.owner, b.owner) && !a.derived)
                        b.type = a.type, b.optional = a.optional;
                    else if (b.name == a.name && is_subtype(a.owner, b.owner))
                        b.derived = true;
    return all;
}

// ---- The exchange file

// Reads one value: a token, a list (...), or NAME(...): a typed value or,
// for an instance, its values.
bool read_value(Cursor &c, Token *v, bool instance = false)
{
    *v = next(c);
    if (v->kind != 'w' && v->text != "(")
        return std::strchr("ns#.", v->kind) != nullptr || v->text == "$" || v->text == "*";
    bool read = v->kind == 'p' || accept(c, "(");
    v->kind = v->kind == 'p' ? '(' : 'w';
    if (read && !accept(c, ")")) {
        do
            read = read_value(c, &v->items.emplace_back());
        while (read && accept(c, ","));
        read = read && accept(c, ")");
    }
    return read && (v->kind == '(' || instance || v->items.size() == 1);
}

// Reads the instances of the DATA section; reports the first syntax error and
// returns false there.
bool read_exchange_file(const std::vector<Token> &tokens)
{
    Cursor c{&tokens};
    bool ok = true;
    while (more(c) && !(accept(c, "DATA") && accept(c, ";")))
        ++c.at;
    while (ok && look(c).kind == '#') {
        long n = std::atol(next(c).text.c_str() + 1);
        Token instance;
        ok = accept(c, "=") && look(c).kind == 'w' && read_value(c, &instance, true) && accept(c, ";");
        instances.emplace(n, instance);
    }
    ok = ok && accept(c, "ENDSEC") && accept(c, ";") && accept(c, "END-ISO-10303-21") && accept(c, ";") && look(c).kind == 'e';
    const Token &t = look(c);
    std::string at = t.text.substr(0, std::min<std::size_t>(40, t.text.find_first_of("\r\n")));
    at = t.kind == 'e' ? "the end of the file" : "'" + at + "'";
    return ok || problem(t.line, "", "syntax error at " + at);
}

// ---- The WHERE rules: NOT, AND, OR and parentheses over S LIKE
// 'pattern' (with the wildcards * and # only), LENGTH(S) <= n, LENGTH(S) = n
// and check_label_length(S, n), where S is SELF, or (SELF\entity.attribute) in
// an entity's rule, and n a number or a CONSTANT.

struct Match {                   // a rule being read, and what it is about
    Cursor rule;
    const Token *self = nullptr; // a TYPE's rule: the value; an entity's: the instance
    const std::vector<Attribute> *attributes = nullptr; // an entity's rule: the instance's
    std::size_t read = 0;        // the attribute read, for the message, if below attributes->size()
};

// The characters of S, or false where S does not stand.
bool text_of(Match &m, std::u32string *text)
{
    bool parenthesised = accept(m.rule, "(");
    const Token *v = accept(m.rule, "self") ? m.self : nullptr;
    if (v != nullptr && m.attributes != nullptr) { // SELF\entity.attribute
        std::string name = accept(m.rule, "\\") && next(m.rule).kind == 'w' && accept(m.rule, ".") ? next(m.rule).text : "";
        for (m.read = 0; m.read < m.attributes->size() && (*m.attributes)[m.read].name != name;)
            ++m.read;
        v = m.read < m.attributes->size() && !(*m.attributes)[m.read].derived ? &v->items[m.read] : nullptr;
    }
    v = v != nullptr && v->kind == 'w' ? &v->items[0] : v; // a typed value's value
    *text = v != nullptr ? v->chars : U"";
    return v != nullptr && v->kind == 's' && (!parenthesised || accept(m.rule, ")"));
}

bool number_of(Match &m, long *n)
{
    const Token &t = next(m.rule);
    *n = t.kind == 'n' ? std::atol(t.text.c_str()) : constants.count(t.text) ? constants[t.text] : 0;
    return t.kind == 'n' || constants.count(t.text);
}

bool like(const char32_t *s, const char32_t *p)
{
    if (*p == '*')
        return like(s, p + 1) || (*s != 0 && like(s + 1, p));
    if (*p == 0 || *s == 0)
        return *p == *s;
    return (*p == '#' ? *s >= '0' && *s <= '9' : *s == *p) && like(s + 1, p + 1);
}

// Whether a condition holds: 1 or 0, or -1 for a shape not recognised. Level
// 0 reads its ORs, 1 its ANDs, 2 a NOT, a parenthesis or a relation.
int condition(Match &m, int level = 0)
{
    std::u32string text;
    long n = 0;
    if (level < 2) {
        int a = condition(m, level + 1);
        for (int b; accept(m.rule, level == 0 ? "or" : "and"); a = a < 0 || b < 0 ? -1 : level == 0 ? a || b : a && b)
            b = condition(m, level + 1);
        return a;
    }
    if (accept(m.rule, "not")) {
        int a = condition(m, 2);
        return a < 0 ? -1 : !a;
    }
    if (look(m.rule).text == "(" && look(m.rule, 2).text != "\\") { // not (SELF\entity.attribute)
        ++m.rule.at;
        int a = condition(m);
        return accept(m.rule, ")") ? a : -1;
    }
    if (accept(m.rule, "length")) {
        std::string relation = text_of(m, &text) ? next(m.rule).text : "";
        if (!among(" <= = ", relation) || !number_of(m, &n))
            return -1;
        return relation == "=" ? long(text.size()) == n : long(text.size()) <= n;
    }
    if (accept(m.rule, "check_label_length")) {
        bool recognised = accept(m.rule, "(") && text_of(m, &text) && accept(m.rule, ",") && number_of(m, &n);
        return recognised && accept(m.rule, ")") ? long(text.size()) <= n : -1;
    }
    if (!text_of(m, &text) || !accept(m.rule, "like") || look(m.rule).kind != 's')
        return -1;
    const std::u32string &pattern = next(m.rule).chars;
    return pattern.find_first_of(U"?@^&\\!$") != std::u32string::npos ? -1 : like(text.c_str(), pattern.c_str());
}

// ---- The checks

bool report(const std::string &attribute, const std::string &what)
{
    const Token &instance = instances[number];
    std::string where = "#" + std::to_string(number) + " " + instance.text + (attribute.empty() ? "" : " ") + attribute;
    return problem(instance.line, where, what);
}

std::string described(const Token &v)
{
    return v.kind == 'w' ? v.text + "(" + described(v.items[0]) + ")" : v.kind == '(' ? "a list" : v.text;
}

// What a SELECT allows, through nested SELECTs: the types of typed values, and entities.
void select_members(const Type *t, std::vector<std::string> *members)
{
    for (const std::string &item : t->items) {
        auto d = types.find(item);
        while (d != types.end() && d->second->kind == Type::NAMED) // TYPE x = y;
            d = types.find(d->second->name);
        if (d != types.end() && d->second->kind == Type::SELECT)
            select_members(d->second, members);
        else
            members->push_back(item);
    }
}

// Checks a value against its type, and the WHERE rules of the TYPEs on the way.
bool check_value(const std::string &attribute, const Token &v, const Type *t, bool optional = false)
{
    auto d = types.find(t->name);
    const std::string &s = t->name;
    std::vector<std::string> members; // what a SELECT allows, or the entity referred to
    std::string allowed;              // the typed values a SELECT allows
    if (v.text == "$")
        return optional || report(attribute, "$ where a value of " + t->text + " is required");
    if (t->kind == Type::NAMED && d != types.end()) {
        bool right = check_value(attribute, v, d->second);
        for (const Rule &r : d->second->rules)
            if (Match m{r.at, &v}; right && !among(skipped_rules, s) && condition(m) == 0 && look(m.rule).text == ";")
                report(attribute, described(v) + " breaks " + s + "'s rule " + r.text);
        return right;
    }
    if (t->kind == Type::NAMED && entities.count(s) == 0)
        return report(attribute, "the type " + s + " is in no schema file read");
    if (t->kind == Type::SELECT)
        select_members(t, &members);
    else if (t->kind == Type::NAMED)
        members.push_back(s);
    for (const std::string &type : members)
        allowed += entities.count(type) ? "" : (allowed.empty() ? "" : ", ") + cased(type, std::toupper) + "(...)";
    if (v.kind == 'w' && t->kind == Type::SELECT) {
        Type chosen;
        chosen.name = cased(v.text, std::tolower);
        if (entities.count(chosen.name) == 0 && std::count(members.begin(), members.end(), chosen.name) > 0)
            return check_value(attribute, v.items[0], &chosen);
        return report(attribute, described(v) + " is not a type that the SELECT " + s + " allows: " + allowed);
    }
    if (t->kind == Type::SELECT && v.kind != '#' && !allowed.empty())
        return report(attribute, described(v) + " is not typed where " + s + " is a SELECT: write it as " + allowed);
    if (t->kind == Type::NAMED || t->kind == Type::SELECT) { // a reference to an instance of an entity allowed
        auto target = instances.find(std::atol(v.text.c_str() + 1));
        if (v.kind != '#')
            return report(attribute, described(v) + " where " + s + " is required: write a reference #N to an instance");
        if (target == instances.end())
            return report(attribute, v.text + " is no instance of the file");
        for (const std::string &entity : members)
            if (is_subtype(cased(target->second.text, std::tolower), entity))
                return true;
        return report(attribute, v.text + " is a " + target->second.text + ", which is not a " + s);
    }
    if (t->kind == Type::SIMPLE) {
        bool truth = v.text == ".T." || v.text == ".F.", real = v.text.find('.') != std::string::npos;
        bool right = s == "string" ? v.kind == 's' : s == "integer" ? v.kind == 'n' && !real : s == "real" ? v.kind == 'n' && real
                   : s == "number" ? v.kind == 'n' : s == "boolean" ? truth : s == "logical" ? truth || v.text == ".U."
                   : std::strchr("(pw", v.kind) == nullptr;
        long length = long(v.chars.size());
        if (!right && s == "real" && v.kind == 'n')
            return report(attribute, v.text + " is an INTEGER token where the type is REAL: write " + v.text + ".");
        if (!right)
            return report(attribute, described(v) + " where the type is " + t->text);
        return s != "string" || t->hi < 0 || (t->fixed ? length == t->hi : length <= t->hi) ||
               report(attribute, v.text + " has " + std::to_string(length) + " characters where the type is " + t->text);
    }
    if (v.kind != '(')
        return report(attribute, described(v) + " where the type is " + t->text + ": write a list (...)");
    long n = long(v.items.size());
    bool right = (n >= t->lo && (t->hi < 0 || n <= t->hi)) ||
                 report(attribute, std::to_string(n) + " elements where the type is " + t->text);
    for (std::size_t i = 0; i < v.items.size(); ++i)
        right = check_value(attribute + "[" + std::to_string(i + 1) + "]", v.items[i], t->element, t->fixed) && right;
    return right;
}

void check_instance(const Token &instance)
{
    std::string entity = cased(instance.text, std::tolower), names;
    if (entities.count(entity) == 0)
        return (void)report("", "no entity of this name in the schema files");
    std::vector<Attribute> attributes = attributes_of(entity);
    for (const Attribute &a : attributes)
        names += (names.empty() ? "" : ", ") + a.name;
    if (instance.items.size() != attributes.size())
        return (void)report("", std::to_string(instance.items.size()) + " values where the entity has " +
                                    std::to_string(attributes.size()) + " attributes: " + names);
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const Attribute &a = attributes[i];
        const Token &v = instance.items[i];
        if (a.derived != (v.text == "*"))
            report(a.name, a.derived ? described(v) + " where a subtype derives the attribute: write *"
                                     : "* where the attribute is not derived");
        else if (v.text == "$" && !a.optional)
            report(a.name, "$ where the attribute is not OPTIONAL");
        else if (!a.derived)
            check_value(a.name, v, a.type, true);
    }
    for (const std::string &owner : lineage(entity))
        for (const Rule &r : entities[owner].rules)
            if (Match m{r.at, &instance, &attributes}; condition(m) == 0 && look(m.rule).text == ";") {
                bool read = m.read < attributes.size();
                report(read ? attributes[m.read].name : "", (read ? described(instance.items[m.read]) : "the instance") +
                                                                " breaks " + cased(owner, std::toupper) + "'s rule " + r.text);
            }
}

void check_file(const char *name)
{
    std::string text;
    file_name = name;
    instances.clear();
    if (!read_file(name, &text))
        problem(0, "", "cannot be read");
    else if (std::vector<Token> tokens = tokens_of(text, true); read_exchange_file(tokens))
        for (const auto &[n, instance] : instances)
            number = n, check_instance(instance);
}

} // namespace

int main(int argc, char **argv)
{
    int first = argc > 2 && std::strcmp(argv[1], "-s") == 0 ? 3 : 1, read = 0;
    skipped_rules = first == 3 ? " " + cased(argv[2], std::tolower) + " " : "";
    std::replace(skipped_rules.begin(), skipped_rules.end(), ',', ' ');
    if (argc - first < 2)
        return std::fprintf(stderr, "usage: schema_check [-s TYPE,...] SCHEMA-DIRECTORY FILE...\n"), 2;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(argv[first], error))
        if (entry.path().extension() == ".exp")
            read_schema_file(entry.path().string()), ++read;
    if (read == 0)
        return std::fprintf(stderr, "schema_check: no .exp file in %s\n", argv[first]), 2;
    // identifier, label and text come from an ISO 10303 resource schema that
    // is not among the EXPRESS files; it declares all three as STRING.
    Type *string = &type_store.emplace_back();
    string->kind = Type::SIMPLE, string->name = "string", string->text = "STRING";
    for (const char *name : {"identifier", "label", "text"})
        types.emplace(name, string);
    for (int i = first + 1; i < argc; ++i)
        check_file(argv[i]);
    return problems > 0;
}
