// dictgen: writes a large dictionary in the tag language for the benchmark.
// The document is valid for dict2step (it converts with status 0) and is
// well-formed XML, and the same shape, size and seed always give the same
// bytes. Shapes:
//   cells    most bytes in table cells: few classes with wide, long tables
//   classes  hundreds of thousands of small classes nested up to 12 deep,
//            one or two properties each, few tables
//   mixed    a tree of mid-sized classes, a third of them with a table
//   utf8     the classes shape with names written half in words of other
//            languages in UTF-8 (German, French, Greek, Japanese)
//   pretty   the mixed shape written as a person or a spreadsheet export
//            writes it: one cell a line, each tag on a line of its own
// Usage: dictgen SHAPE MEGABYTES [SEED]   (a megabyte is 10^6 bytes)
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// What a shape makes of each class.
struct Shape {
    const char *name;
    int deepest;                       // deepest class level
    int fewest_properties;             // properties per class, at least
    int most_properties;               // and at most
    int table_percent;                 // share of classes with a table
    int fewest_rows;                   // rows per table, at least
    int most_rows;                     // and at most
    bool utf8_names;                   // names take words from utf8_words too
    bool cell_lines;                   // one cell a line, eight otherwise
};

const Shape shapes[] = {
    {"cells", 3, 8, 24, 100, 1000, 4000, false, false},
    {"classes", 12, 1, 2, 2, 2, 5, false, false},
    {"mixed", 8, 0, 6, 33, 5, 200, false, false},
    {"utf8", 12, 1, 2, 2, 2, 5, true, false},
    {"pretty", 8, 0, 6, 33, 5, 200, false, true},
};

const char *const words[] = {
    "hexagon", "head", "bolt", "nut", "washer", "screw", "pin", "rivet", "steel",
    "zinc", "plated", "stainless", "brass", "nylon", "flange", "socket", "cap",
    "countersunk", "thread", "fine", "coarse", "long", "short", "spring", "lock",
    "o'ring", "seal", "bearing", "ball", "roller", "shaft", "collar", "clip",
};
constexpr int word_count = sizeof words / sizeof words[0];

const char *const utf8_words[] = {
    "Sechskant", "Schraube", "Mutter", "Unterlegscheibe", "Größe", "Ø", "µm",
    "Gewindestift", "Kugellager", "Federring", "écrou", "rondelle", "acier",
    "tête", "goupille", "βίδα", "παξιμάδι", "ροδέλα", "ナット", "ねじ", "座金",
    "軸受", "六角ボルト", "ステンレス",
};
constexpr int utf8_word_count = sizeof utf8_words / sizeof utf8_words[0];

const char *const type_names[] = {"STRING", "REAL", "INTEGER"};

const Shape *shape;
std::uint64_t random_state;            // splitmix64 state
long long bytes_written;
long long bytes_wanted;
int class_count;
int property_count;
int table_count;
int types[64];                         // the current class's property types

// splitmix64: small, fast, and the same on every machine.
std::uint64_t random_next()
{
    std::uint64_t z = (random_state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}

// A number from low to high, both included.
int random_between(int low, int high)
{
    return low + int(random_next() % std::uint64_t(high - low + 1));
}

void put(const char *text)
{
    std::size_t length = std::strlen(text);
    std::fwrite(text, 1, length, stdout);
    bytes_written += (long long)length;
}

[[gnu::format(printf, 1, 2)]] void put_format(const char *format, ...)
{
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    put(line);
}

void put_indent(int depth)
{
    static const char blanks[] = "                        ";
    put(blanks + sizeof blanks - 1 - 2 * (depth < 12 ? depth : 12));
}

// Characters of a UTF-8 text: the bytes that begin one.
int characters_of(const char *text)
{
    int characters = 0;
    for (const char *c = text; *c != '\0'; ++c)
        characters += (*c & 0xC0) != 0x80;
    return characters;
}

// One to MOST words; never starts with a quote, and holds no '<' or '&'. A
// name's words are half in UTF-8 when the shape asks for it, and a name
// keeps to ROOM characters, as the schema of the exchange file asks of names:
// words that would not fit are left out.
void put_words(int most, bool name = false, int room = 30)
{
    int count = random_between(1, most);
    for (int i = 0; i < count; ++i) {
        const char *word;
        if (name && shape->utf8_names && random_between(0, 1) == 0)
            word = utf8_words[random_between(0, utf8_word_count - 1)];
        else
            word = words[random_between(0, word_count - 1)];
        int length = characters_of(word) + (i > 0);
        if (name && i > 0 && length > room)
            continue;
        room -= length;
        if (i > 0)
            put(" ");
        put(word);
    }
}

// A cell as parts tables have them: a short code or word, or a dimension.
void put_value(int type)
{
    switch (type) {
    case 0:
        if (random_between(0, 1) == 0)
            put_format("M%d", random_between(3, 64));
        else
            put_words(1);
        break;
    case 1:
        put_format("%d.%d", random_between(0, 500), random_between(0, 9));
        break;
    default:
        put_format("%d", random_between(1, 5000));
        break;
    }
}

void put_property(int depth, int type)
{
    put_indent(depth);
    put_format("<PROPERTY BSU=\"P%d\">\n", ++property_count);
    put_indent(depth + 1);
    put("<PNAME>");
    put_words(2, true);
    put("</PNAME>\n");
    put_indent(depth + 1);
    put_format("<PTYPE>%s</PTYPE>\n", type_names[type]);
    put_indent(depth);
    put("</PROPERTY>\n");
}

// A table of columns up to the class's properties; at most about the bytes
// still wanted, so that small documents stay near their size.
void put_table(int depth, int properties)
{
    int columns = random_between((properties + 1) / 2, properties);
    int rows = random_between(shape->fewest_rows, shape->most_rows);
    long long room = (bytes_wanted - bytes_written) / (14LL * columns);
    if (rows > room)
        rows = room < 1 ? 1 : int(room);
    put_indent(depth);
    put_format("<TABLE BSU=\"T%d\">\n", ++table_count);
    for (int c = 0; c < columns; ++c) {
        put_indent(depth + 1);
        // Nothing may stand between <COLUMN> and its first <TD>.
        put("<COLUMN>");
        int per_line = shape->cell_lines ? 1 : 8;
        for (int r = 0; r < rows; ++r) {
            if (r > 0)
                put(r % per_line == 0 ? "\n" : " ");
            if (r > 0 && r % per_line == 0)
                put_indent(depth + 2);
            put("<TD>");
            put_value(types[c]);
            put("</TD>");
        }
        if (shape->cell_lines) {
            put("\n");
            put_indent(depth + 1);
        }
        put("</COLUMN>\n");
    }
    put_indent(depth);
    put("</TABLE>\n");
}

// The opening tag, name, properties and table of a class at depth, without
// its subclasses or its closing tag.
void put_class_head(int depth)
{
    put_indent(depth);
    put_format("<CLASS BSU=\"C%d\">\n", ++class_count);
    put_indent(depth + 1);
    put("<CNAME>");
    char number[16];
    std::snprintf(number, sizeof number, " %d", class_count);
    put_words(3, true, 30 - int(std::strlen(number)));
    put_format("%s</CNAME>\n", number);
    int properties = random_between(shape->fewest_properties, shape->most_properties);
    for (int p = 0; p < properties; ++p) {
        types[p] = random_between(0, 2);
        put_property(depth + 1, types[p]);
    }
    if (properties > 0 && random_between(1, 100) <= shape->table_percent)
        put_table(depth + 1, properties);
}

void put_closes(int count, int *depth)
{
    for (; count > 0; --count) {
        put_indent(--*depth);
        put("</CLASS>\n");
    }
}

// Classes in document order, as a walk over their levels: the next class is
// a first subclass, a sibling, or a sibling of an ancestor, now and then of
// one several levels up, so that runs of closing tags come in all lengths.
void put_classes()
{
    int open = 0;
    int previous = 0;
    while (bytes_written < bytes_wanted) {
        int next = previous + 1;
        if (previous > 0) {
            int step = random_between(0, 19);
            if (step < 8 && previous < shape->deepest)
                next = previous + 1;
            else if (step < 13 || previous == 1)
                next = previous;
            else if (step < 19)
                next = previous - 1;
            else
                next = random_between(1, previous - 1);
        }
        put_closes(open - next + 1, &open);
        put_class_head(open++);
        previous = next;
    }
    put_closes(open, &open);
}

[[noreturn]] void usage()
{
    std::fputs("usage: dictgen cells|classes|mixed|utf8|pretty MEGABYTES [SEED]\n", stderr);
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4)
        usage();
    for (const Shape &s : shapes)
        if (std::strcmp(argv[1], s.name) == 0)
            shape = &s;
    char *end;
    double megabytes = std::strtod(argv[2], &end);
    if (shape == nullptr || *end != '\0' || megabytes <= 0)
        usage();
    bytes_wanted = (long long)(megabytes * 1e6);
    random_state = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;

    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    put_format("<!-- dictgen %s %s %llu -->\n", shape->name, argv[2], (unsigned long long)random_state);
    put("<SUPPLIER_LIBRARY BSU=\"S1\">\n");
    put_classes();
    put("</SUPPLIER_LIBRARY>\n");
    if (std::fflush(stdout) != 0) {
        std::perror("dictgen");
        return 2;
    }
    return 0;
}
