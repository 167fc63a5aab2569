// pugiload: builds pugixml's DOM of the document named and does nothing
// else, the benchmark's peer for what the fastest general XML parser costs.
// Usage: pugiload FILE   (status 1 when the document is not well-formed)
#include <cstdio>

#include <pugixml.hpp>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: pugiload FILE\n", stderr);
        return 2;
    }
    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_file(argv[1]);
    if (!result) {
        std::fprintf(stderr, "pugiload: %s: %s at byte %lld\n", argv[1], result.description(),
                     static_cast<long long>(result.offset));
        return 1;
    }
    return 0;
}
