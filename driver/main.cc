// dict2step: reads one dictionary in the tag language on standard input and
// writes it on standard output as an ISO 10303-21 exchange file of ISO 13584
// dictionary entities. Owns the run and the exchange file's frame.
#include <new>
#include <unistd.h>

#include "driver/driver.h"
#include "model/model.h"
#include "reader/reader.h"
#include "writer/output.h"
#include "writer/writer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
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

// Says what a user who expected options or a file name, or who sees the
// program wait, needs to know; the run goes on as usual.
void usage_warnings(int argc)
{
    if (argc > 1)
        report("warning: arguments are ignored; the dictionary is read from standard input");
#ifdef _WIN32
    if (isatty(STDIN_FILENO))
        report("warning: reading the dictionary from the console; end it with Ctrl-Z and Enter on a line of its own");
#else
    if (isatty(STDIN_FILENO))
        report("warning: reading the dictionary from the terminal; end it with Ctrl-D on a line of its own");
#endif
}

} // namespace

int main(int argc, char **)
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
    usage_warnings(argc);
    model_init();
    // A failed parse still leaves a model worth writing; the stop at the end
    // turns the reported error into the exit status.
    yyparse();

    header_out();
    // The class writers refer to these two as supplier_number and dates_number.
    out("#%d=SUPPLIER_BSU(%q, *);\n", element_number_now++, supplier_bsu);
    out("#%d=DATES('1999-11-01', '1999-11-01', '1999-11-01');\n", element_number_now++);
    breadth_first_bsu_out();
    breadth_first_class_out();
    out("ENDSEC;\n"
        "END-ISO-10303-21;\n");
    stop_finished();
}
