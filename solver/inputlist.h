#ifndef INPUTLIST_H
#define INPUTLIST_H

#include <string>
#include <string_view>
#include <vector>

namespace solver {

// The paths of a solver input list: one path a line, line ends LF or CR LF;
// empty lines name nothing.
std::vector<std::string> parseInputList(std::string_view text);

} // namespace solver

#endif // INPUTLIST_H
