// scanonly: runs dict2step's scanner over standard input and nothing more,
// so that the benchmark can show how much of dict2step's time it takes.
#include "model/model.h"

int yylex();

int main()
{
    model_init();
    while (yylex() != 0) {
    }
    return 0;
}
