#include "device/toy_rule.h"

#include <string>

namespace {

// Generated from resources/70-quillby-toy.rules at configure time.
constexpr unsigned char kRuleBytes[] = {
#include "toy_rule_bytes.inc"
};

} // namespace

std::string_view ToyRuleText()
{
    return { reinterpret_cast<const char*>(kRuleBytes), sizeof kRuleBytes };
}

bool RuleGrantsToy(std::string_view text)
{
    // Line by line, comments skipped: one rule must name both ids and the uaccess tag.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        if (line.find("hidraw") != std::string_view::npos && line.find("\"1941\"") != std::string_view::npos
            && line.find("\"8021\"") != std::string_view::npos
            && line.find("uaccess") != std::string_view::npos)
            return true;
    }
    return false;
}
