#include "platform/command_line.h"

namespace quellmark {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One argument's "%1" and "%%" resolved; any other "%" stays as written.
std::string Expand(std::string_view argument, const std::string& document, bool& tookDocument) {
    std::string out;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] == '%' && i + 1 < argument.size()) {
            if (argument[i + 1] == '1') {
                out += document;
                tookDocument = true;
                ++i;
                continue;
            }
            if (argument[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += argument[i];
    }
    return out;
}

}  // namespace

std::string LiteralArgument(std::string_view text) {
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

std::string MakeCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line = "\"" + program + "\"";
    for (const std::string& argument : arguments) {
        line += " \"";
        for (const char c : argument) {
            if (c == '"' || c == '\\') line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}

std::vector<std::string> DocumentArguments(std::string_view arguments, const std::string& document) {
    // First the words with their quoting undone, then the document put in:
    // a document whose name holds "%1" or quotation marks stays as it is.
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const char c = arguments[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < arguments.size() && (arguments[i + 1] == '"' || arguments[i + 1] == '\\')) {
                word += arguments[++i];
            } else {
                word += c;
            }
        } else if (IsBlank(c)) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            if (c == '"')
                quoted = true;
            else
                word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);

    std::vector<std::string> result;
    bool tookDocument = false;
    for (const std::string& each : words) result.push_back(Expand(each, document, tookDocument));
    if (!tookDocument) result.push_back(document);
    return result;
}

}  // namespace quellmark
