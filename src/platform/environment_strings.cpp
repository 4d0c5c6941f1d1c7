#include "platform/environment_strings.h"

#include <cstdlib>

namespace quellmark {

std::string ExpandEnvironmentStrings(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('%', i);
        if (open == std::string::npos) break;
        out.append(text, i, open - i);
        const std::size_t close = text.find('%', open + 1);
        const char* value = nullptr;
        if (close != std::string::npos && close > open + 1)
            value = std::getenv(text.substr(open + 1, close - open - 1).c_str());
        if (value) {
            out += value;
            i = close + 1;
        } else {
            // Not a reference: keep the sign and look again from the next
            // character, where the closing sign may open a reference of its own.
            out += '%';
            i = open + 1;
        }
    }
    out.append(text, i, std::string::npos);
    return out;
}

}  // namespace quellmark
