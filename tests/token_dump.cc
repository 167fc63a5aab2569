// Test driver: the scanner's token stream for standard input, one token a
// line with its value, then the line counter at the end of input.
#include <cstdio>
#include <string>

#include "grammar.h"
#include "model/model.h"

int yylex();
extern int yylineno;

namespace {

const char *const token_names[] = {
    "SUPPLIER_LIBRARY_START", "SUPPLIER_LIBRARY_END", "CLASS_START", "CLASS_END",
    "PROPERTY_START", "PROPERTY_END", "TABLE_START", "TABLE_END", "QUOTED_STRING",
    "TAG_CLOSE", "CNAME_START", "CNAME_END", "PNAME_START", "PNAME_END",
    "PTYPE_START", "PTYPE_END", "COLUMN_START", "COLUMN_END", "TD_START", "TD_END", "TEXT",
};

// The value with line ends, tabs, carriage returns and other unprintable
// bytes made visible.
std::string visible(const char *text)
{
    std::string shown;
    for (; *text != '\0'; ++text) {
        unsigned char byte = static_cast<unsigned char>(*text);
        char escape[8];
        if (byte == '\n')
            shown += "\\n";
        else if (byte == '\t')
            shown += "\\t";
        else if (byte == '\r')
            shown += "\\r";
        else if (byte == '\\')
            shown += "\\\\";
        else if (byte < 32 || byte > 126) {
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            shown += escape;
        } else
            shown += char(byte);
    }
    return shown;
}

} // namespace

int main()
{
    for (int token; (token = yylex()) != 0;) {
        std::printf("%d %s", token, token_names[token - SUPPLIER_LIBRARY_START]);
        if (token == QUOTED_STRING || token == TEXT)
            std::printf(" [%s]", visible(yylval.text).c_str());
        std::printf("\n");
    }
    std::printf("0 end, yylineno %d\n", yylineno);
    return 0;
}
