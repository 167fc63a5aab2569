// dict2step: reads one dictionary in the tag language, from the file named
// on the command line or from standard input, and writes it on standard
// output as an ISO 10303-21 exchange file of ISO 13584 dictionary entities.
// Owns the command line, the run and the exchange file's frame.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/driver.h"
#include "model/model.h"
#include "reader/reader.h"
#include "reverse/reverse.h"
#include "writer/literal.h"
#include "writer/output.h"
#include "writer/writer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void header_out()
{
    out("ISO-10303-21;\n"
        "HEADER;\n"
        "FILE_DESCRIPTION((''),'2');\n"
        "FILE_NAME('','',\n"
        "         (''),\n"
        "         (''),\n"
        "          'dict2step " DICT2STEP_VERSION "',\n"
        "          'dict2step " DICT2STEP_VERSION "',\n"
        "          '');\n"
        "FILE_SCHEMA(('ISO13584_G_M_IIM_SCHEMA'));\n"
        "ENDSEC;\n"
        "\n"
        "DATA;\n");
}

// What --help prints, the same on every system.
constexpr char help_text[] =
    "Usage: dict2step [-r] [FILE]\n"
    "Converts a parts-library class dictionary, read from FILE or, when FILE is\n"
    "absent or -, from standard input, into an ISO 10303-21 exchange file of\n"
    "ISO 13584 dictionary entities, written on standard output; with -r, reads\n"
    "such an exchange file back and writes the dictionary.\n"
    "\n"
    "  -r, --reverse  read an exchange file, write the dictionary\n"
    "  -h, --help     show this help (on Windows, /? too)\n"
    "      --version  show the version\n"
    "\n"
    "Examples:\n"
    "  dict2step library.dict > library.stp\n"
    "  dict2step -r library.stp > library.dict\n"
    "\n"
    "Exit status: 0 when the output is complete, 1 when the input has an error\n"
    "(the messages on standard error say what and on which line; with -r,\n"
    "nothing is written then), 2 when the command line was refused, the input\n"
    "could not be read, went past a limit or did not fit in memory, or the\n"
    "output could not be written.\n"
    "The manual (man dict2step; on Windows, dict2step.html beside the program)\n"
    "describes the tag language, the output, the way back and every message.\n";

bool reverse;                          // -r: from an exchange file to a dictionary

// A command line that asks for something else than a conversion, or that
// cannot be one, ends the run before anything is read.
[[noreturn]] void usage_error(const char *format, const char *argument)
{
    report(format, message_quote(argument).c_str());
    std::fputs("Try 'dict2step --help'.\n", stderr);
    stop_command_line(2);
}

// dict2step [-r] [FILE]: the input is FILE, or standard input when FILE is
// absent or "-". FILE takes the place of standard input, so that it is read
// as standard input would be.
void command_line(int argc, char **argv)
{
    const char *file = nullptr;
    bool options = true;               // until "--"
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
#ifdef _WIN32
        if (options && std::strcmp(argument, "/?") == 0)
            argument = "--help";
#endif
        if (options && argument[0] == '-' && argument[1] != '\0') {
            if (std::strcmp(argument, "--") == 0) {
                options = false;
            } else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
                out("%s", help_text);
                stop_command_line(0);
            } else if (std::strcmp(argument, "-r") == 0 || std::strcmp(argument, "--reverse") == 0) {
                reverse = true;
            } else if (std::strcmp(argument, "--version") == 0) {
                out("dict2step " DICT2STEP_VERSION "\n");
                stop_command_line(0);
            } else {
                usage_error("unknown option %s", argument);
            }
        } else if (file != nullptr) {
            usage_error(reverse ? "extra file %s: give one exchange file at most" : "extra file %s: give one dictionary at most",
                        argument);
        } else {
            file = argument;
        }
    }
    if (file == nullptr || std::strcmp(file, "-") == 0)
        return;
    struct stat status;
    if (stat(file, &status) == 0 && S_ISDIR(status.st_mode))
        errno = EISDIR;
    else if (std::freopen(file, "rb", stdin) != nullptr)
        errno = 0;
    if (errno != 0) {
        report_file_error(file, errno);
        stop_command_line(2);
    }
    input_name = file;
}

// Says what a user who sees the program wait needs to know; the run goes on
// as usual.
void terminal_warning()
{
    const char *input = reverse ? "the exchange file" : "the dictionary";
#ifdef _WIN32
    if (isatty(STDIN_FILENO))
        report("warning: reading %s from the console; end it with Ctrl-Z and Enter on a line of its own", input);
#else
    if (isatty(STDIN_FILENO))
        report("warning: reading %s from the terminal; end it with Ctrl-D on a line of its own", input);
#endif
}

} // namespace

int main(int argc, char **argv)
{
#ifdef _WIN32
    // The dictionary and everything written are bytes, as on other systems:
    // no CR LF read as LF, no end of input at a 0x1A byte, no CR written
    // before each LF.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::set_new_handler(stop_out_of_memory);
    command_line(argc, argv);
    terminal_warning();
    model_init();
    if (reverse) {
        // Nothing is written before the whole file has been read and checked.
        exchange_file_read();
        dictionary_out();
        stop_finished(read_back_report);
    }
    // A failed parse still leaves a model worth writing; the stop at the end
    // turns the reported error into the exit status.
    yyparse();

    header_out();
    // The class writers refer to these two as supplier_number and dates_number.
    if (element_number_now != supplier_number)
        std::abort();
    out("#%d=SUPPLIER_BSU(%q, *);\n", element_number_now++, supplier_bsu);
    out("#%d=DATES('1999-11-01', '1999-11-01', '1999-11-01');\n", element_number_now++);
    breadth_first_bsu_out();
    breadth_first_class_out();
    out("ENDSEC;\n"
        "END-ISO-10303-21;\n");
    stop_finished(conversion_warnings_report);
}
