// Test driver: writes each integer read from standard input, one a line,
// through the output's %d conversion, so that numbers of every length and
// both signs can be checked against the decimal text they were read from.
#include <cstdio>
#include <cstdlib>

#include "writer/output.h"

int main()
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr)
        out("%d\n", int(std::strtol(line, nullptr, 10)));
    return out_flush() == 0 ? 0 : 2;
}
