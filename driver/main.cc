// dict2step: reads one dictionary in the tag language on standard input and
// writes it on standard output as an ISO 10303-21 exchange file of ISO 13584
// dictionary entities. Owns the run and the exchange file's frame.
#include "driver/driver.h"
#include "model/model.h"
#include "writer/output.h"
#include "writer/writer.h"

int yyparse();

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

} // namespace

int main()
{
    model_init();
    // A failed parse still leaves a model worth writing; the stop at the end
    // turns the reported error into the exit status.
    yyparse();

    header_out();
    // The class writers refer to these two as #0 and #1.
    out("#%d=SUPPLIER_BSU(%q, *);\n", element_number_now++, supplier_bsu);
    out("#%d=DATES('1999-11-01', '1999-11-01', '1999-11-01:07:00');\n", element_number_now++);
    breadth_first_bsu_out();
    breadth_first_class_out();
    out("ENDSEC;\n"
        "END-ISO-10303-21;\n");
    stop_finished();
}
