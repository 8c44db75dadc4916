#pragma once
// The phone number scanning rules as written, one step after the other, with
// no regard for speed: the yardstick the fast scanner is compared with by its
// tests and its fuzzer.

#include <string>
#include <string_view>
#include <vector>

namespace reference {

using Candidates = std::vector<std::string>;

inline bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '(' || c == ')' || c == '{' || c == '}';
}

inline Candidates scan(std::string_view text)
{
    std::string squeezed;
    for (char c : text) {
        if (c != ' ')
            squeezed += c;
    }
    Candidates result;
    std::string run;
    bool inRun = false;
    for (char c : squeezed) {
        if (isNumberChar(c)) {
            inRun = true;
            if (c >= '0' && c <= '9')
                run += c;
        } else if (inRun) {
            result.push_back(run);
            run.clear();
            inRun = false;
        }
    }
    if (inRun)
        result.push_back(run);
    return result;
}

} // namespace reference
