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

namespace {

void header_out()
{
    out("ISO-10303-21;\n"
        "HEADER;\n"
        "FILE_DESCRIPTION((''),'2');\n"
        "FILE_NAME('','',\n"
        "         (''),\n"
        "         (''),\n"
        "          'VORNAK XML HACK VERSION 0.0.1',\n"
        "          'version 0.0.1',\n"
        "          ':-)');\n"
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
    if (isatty(STDIN_FILENO))
        report("warning: reading the dictionary from the terminal; end it with Ctrl-D on a line of its own");
}

} // namespace

int main(int argc, char **)
{
    std::set_new_handler(stop_out_of_memory);
    usage_warnings(argc);
    model_init();
    // A failed parse still leaves a model worth writing; the stop at the end
    // turns the reported error into the exit status.
    yyparse();

    header_out();
    // The class writers refer to these two as #1 and #2.
    out("#%d=SUPPLIER_BSU(%q, *);\n", element_number_now++, supplier_bsu);
    out("#%d=DATES('1999-11-01', '1999-11-01', '1999-11-01:07:00');\n", element_number_now++);
    breadth_first_bsu_out();
    breadth_first_class_out();
    out("ENDSEC;\n"
        "END-ISO-10303-21;\n");
    stop_finished();
}
