#include "inputlist.h"

namespace solver {

std::vector<std::string> parseInputList(std::string_view text)
{
    std::vector<std::string> paths;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            paths.emplace_back(line);
    }
    return paths;
}

} // namespace solver
