// Built with the program's warnings at the Release optimisation and -Werror: the build
// stops here when a compiler's known false positive (GCC 12's -Wrestrict inside
// std::string's operator+) would fill the demo's build output again.
#include <string>

std::string ProbeSectionLine(const std::string& section);

std::string ProbeSectionLine(const std::string& section) {
    return "[" + std::string(section.c_str()) + "]";
}
