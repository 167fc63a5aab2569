// Test driver: converts a dictionary whose codes, names and string cells are
// seeded random bytes (ASCII, control characters, UTF-8 of every length,
// bytes that begin no character), then decodes every string literal of the
// exchange file back to bytes and checks that each text of the input comes
// back exactly, and each name's first 15 characters as its short name, that
// nothing else does, and that no literal holds a byte outside 0x20..0x7E.
// Usage: string_round_trip PROGRAM [SEED [CLASSES]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <unistd.h>

namespace {

unsigned long long state;

unsigned random_below(unsigned n)
{
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return unsigned(state >> 33) % n;
}

void append_utf8(std::string *text, unsigned code)
{
    if (code < 0x80) {
        *text += char(code);
    } else if (code < 0x800) {
        *text += char(0xC0 | code >> 6);
        *text += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *text += char(0xE0 | code >> 12);
        *text += char(0x80 | (code >> 6 & 0x3F));
        *text += char(0x80 | (code & 0x3F));
    } else {
        *text += char(0xF0 | code >> 18);
        *text += char(0x80 | (code >> 12 & 0x3F));
        *text += char(0x80 | (code >> 6 & 0x3F));
        *text += char(0x80 | (code & 0x3F));
    }
}

// A text of up to 24 pieces after a leading letter, so that it is read as
// element text; a code (in double quotes) takes no double quote or line end.
// Neither holds '<' or NUL.
std::string random_text(bool code)
{
    std::string text(1, char('A' + random_below(26)));
    for (unsigned pieces = random_below(25); pieces > 0; --pieces) {
        unsigned code_point;
        switch (random_below(8)) {
        case 0: text += "'\\"[random_below(2)]; continue;
        case 1: text += char(1 + random_below(31)); break;
        case 2: text += char(0x7F); continue;
        case 3: text += char(0x80 + random_below(0x80)); continue;
        case 4: append_utf8(&text, 0x80 + random_below(0x780)); continue;
        case 5:
            do
                code_point = 0x800 + random_below(0xF800);
            while (code_point >= 0xD800 && code_point < 0xE000);
            append_utf8(&text, code_point);
            continue;
        case 6: append_utf8(&text, 0x10000 + random_below(0x100000)); continue;
        default: text += char(0x20 + random_below(0x5F)); break;
        }
        if (text.back() == '<' || (code && (text.back() == '"' || text.back() == '\n')))
            text.back() = '.';
    }
    return text;
}

// The length of the UTF-8 character at text[at] when it is well-formed
// (shortest form, no surrogates, at most U+10FFFF), else 1: a reader counts a
// byte that begins no character as one character.
std::size_t character_length(const std::string &text, std::size_t at)
{
    static const struct {
        unsigned char lead_low, lead_high, second_low, second_high;
        std::size_t length;
    } forms[] = {
        {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
        {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
        {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
    };
    unsigned char lead = text[at];
    for (const auto &form : forms) {
        if (lead < form.lead_low || lead > form.lead_high)
            continue;
        if (at + form.length > text.size())
            return 1;
        unsigned char second = text[at + 1];
        if (second < form.second_low || second > form.second_high)
            return 1;
        for (std::size_t i = 2; i < form.length; ++i)
            if ((text[at + i] & 0xC0) != 0x80)
                return 1;
        return form.length;
    }
    return 1;
}

// The short name the exchange file gives a name: its first 15 characters.
std::string short_name(const std::string &name)
{
    std::size_t at = 0;
    for (int characters = 0; characters < 15 && at < name.size(); ++characters)
        at += character_length(name, at);
    return name.substr(0, at);
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads count hex digits at *at; -1 when they are not there.
long hex_number(const std::string &file, std::size_t *at, int count)
{
    long value = 0;
    for (int i = 0; i < count; ++i, ++*at) {
        int digit = *at < file.size() ? hex_value(file[*at]) : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

[[noreturn]] void fail(const char *what, std::size_t at)
{
    std::printf("FAIL: %s at byte %zu of the exchange file\n", what, at);
    std::exit(1);
}

// Decodes the string literal whose opening apostrophe is at *at and leaves
// *at behind its closing one.
std::string decode_literal(const std::string &file, std::size_t *at)
{
    std::string text;
    std::size_t i = *at + 1;
    for (;;) {
        if (i >= file.size())
            fail("string literal not closed", *at);
        char c = file[i];
        if (c < 0x20 || c > 0x7E)
            fail("byte outside 0x20..0x7E in a string literal", i);
        if (c == '\'' && i + 1 < file.size() && file[i + 1] == '\'') {
            text += c;
            i += 2;
        } else if (c == '\'') {
            *at = i + 1;
            return text;
        } else if (c != '\\') {
            text += c;
            ++i;
        } else if (file.compare(i, 2, "\\\\") == 0) {
            text += c;
            i += 2;
        } else if (file.compare(i, 3, "\\X\\") == 0) {
            i += 3;
            long byte = hex_number(file, &i, 2);
            if (byte < 0)
                fail("bad \\X\\ directive", i);
            text += char(byte);
        } else if (file.compare(i, 4, "\\X2\\") == 0 || file.compare(i, 4, "\\X4\\") == 0) {
            int digits = file[i + 2] == '2' ? 4 : 8;
            i += 4;
            int characters = 0;
            for (; file.compare(i, 4, "\\X0\\") != 0; ++characters) {
                long code = hex_number(file, &i, digits);
                if (code < 0 || code > 0x10FFFF)
                    fail("bad character in a \\X2\\ or \\X4\\ group", i);
                append_utf8(&text, unsigned(code));
            }
            if (characters == 0)
                fail("empty group", i);
            i += 4;
        } else {
            fail("backslash that starts no directive", i);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: string_round_trip PROGRAM [SEED [CLASSES]]\n");
        return 125;
    }
    state = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    int classes = argc > 3 ? std::atoi(argv[3]) : 200;

    // The fixed texts of the exchange file, and then those of the input.
    const std::set<std::string> fixed = {"001", "A..25", "A..15", "NR2..3.3", "NR1..3", "1999-11-01",
                                         "1999-09-09", "", "2", "ISO13584_G_M_IIM_SCHEMA",
                                         "dict2step " DICT2STEP_VERSION};
    std::set<std::string> texts;
    std::string document = "<SUPPLIER_LIBRARY BSU=\"";
    std::string supplier = random_text(true);
    texts.insert(supplier);
    document += supplier + "\">\n";
    for (int c = 0; c < classes; ++c) {
        std::string code = random_text(true), name = random_text(false);
        std::string property_code = random_text(true), property_name = random_text(false);
        std::string table_code = random_text(true), cell = random_text(false);
        texts.insert({code, name, property_code, property_name, table_code, cell,
                      short_name(name), short_name(property_name)});
        document += "<CLASS BSU=\"" + code + "\"><CNAME>" + name + "</CNAME>\n<PROPERTY BSU=\"" + property_code +
                    "\"><PNAME>" + property_name + "</PNAME><PTYPE>STRING</PTYPE></PROPERTY>\n<TABLE BSU=\"" +
                    table_code + "\"><COLUMN><TD>" + cell + "</TD></COLUMN></TABLE></CLASS>\n";
    }
    document += "</SUPPLIER_LIBRARY>\n";

    char directory[] = "/tmp/string-round-trip-XXXXXX";
    if (mkdtemp(directory) == nullptr) {
        std::perror("string_round_trip: mkdtemp");
        return 125;
    }
    std::string input = std::string(directory) + "/in", output = std::string(directory) + "/out";
    FILE *file = std::fopen(input.c_str(), "wb");
    std::fwrite(document.data(), 1, document.size(), file);
    std::fclose(file);
    std::string command = std::string("'") + argv[1] + "' < " + input + " > " + output;
    int status = std::system(command.c_str());

    std::string exchange;
    file = std::fopen(output.c_str(), "rb");
    char block[65536];
    for (std::size_t n; file != nullptr && (n = std::fread(block, 1, sizeof block, file)) > 0;)
        exchange.append(block, n);
    if (file != nullptr)
        std::fclose(file);
    unlink(input.c_str());
    unlink(output.c_str());
    rmdir(directory);
    if (status != 0) {
        std::printf("FAIL: the conversion ended with status %d\n", status);
        return 1;
    }

    std::set<std::string> found;
    for (std::size_t at = 0; at < exchange.size();) {
        if (exchange[at] == '\'') {
            std::string text = decode_literal(exchange, &at);
            if (texts.count(text) == 0 && fixed.count(text) == 0)
                fail("a literal that decodes to no text of the input ends", at);
            found.insert(text);
        } else if (exchange[at] != '\n' && (exchange[at] < 0x20 || exchange[at] > 0x7E)) {
            fail("byte outside 0x20..0x7E", at);
        } else {
            ++at;
        }
    }
    for (const std::string &text : texts)
        if (found.count(text) == 0) {
            std::printf("FAIL: a text of the input is missing from the exchange file:");
            for (unsigned char c : text)
                std::printf(" %02X", c);
            std::printf("\n");
            return 1;
        }
    std::printf("%zu texts of %d classes came back whole\n", texts.size(), classes);
    return 0;
}
