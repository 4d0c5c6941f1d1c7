#include "cli/options.h"

#include <algorithm>

namespace quellmark {

namespace {

struct OptionSpec {
    const char* longName;
    char shortName;  // 0: none
    bool takesValue;
    // A value only when attached with "=" (--mail=ADDRESS): the word after
    // the option stays an operand, so "--mail FILE" cannot swallow a file.
    bool attachedValueOnly = false;
};

const OptionSpec kOptions[] = {
    {"help", 'h', false},        {"version", 0, false},     {"password", 'p', true},
    {"password-file", 0, true},  {"codepage", 0, true},     {"algorithm", 'a', true},
    {"cipher", 'c', true},       {"mode", 'm', true},       {"key-hex", 0, true},
    {"iv-hex", 0, true},         {"directory", 'd', true},  {"store", 0, false},
    {"change-dir", 'C', true},
    {"check", 0, true},          {"list", 0, false},  // ozv hash; its -c is read from --cipher
    {"to-stdout", 'O', false},   {"overwrite", 0, false},   {"keep", 0, false},
    {"quiet", 'q', false},       {"verbose", 'v', false},
    {"long", 'l', false},        {"json", 0, false},        {"ask-password", 0, false},
    {"mail", 0, false, true},    {"subject", 0, true},      {"save", 0, true},
};

const OptionSpec* FindLong(const std::string& name) {
    for (const auto& option : kOptions)
        if (name == option.longName) return &option;
    return nullptr;
}

const OptionSpec* FindShort(char name) {
    for (const auto& option : kOptions)
        if (option.shortName == name) return &option;
    return nullptr;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& args) {
    Invocation inv;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* option = nullptr;
        std::optional<std::string> attached;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            if (auto eq = name.find('='); eq != std::string::npos) {
                attached = name.substr(eq + 1);
                name.resize(eq);
            }
            option = FindLong(name);
        } else {
            option = FindShort(arg[1]);
            if (arg.size() > 2) attached = arg.substr(2);
        }
        if (!option) throw UsageError{"unknown option " + arg};
        std::string value;
        if (option->takesValue) {
            if (attached) {
                value = *attached;
            } else {
                if (i + 1 >= args.size()) throw UsageError{"option " + arg + " needs a value"};
                value = args[++i];
            }
        } else if (attached && option->attachedValueOnly) {
            value = *attached;
        } else if (attached) {
            throw UsageError{"option " + arg + " takes no value"};
        }
        inv.values[option->longName] = value;
        // -C acts on the operands after it, so where it stood is kept.
        if (option->shortName == 'C')
            inv.directoryChanges.push_back({positional.empty() ? 0 : positional.size() - 1, value});
    }
    if (!positional.empty()) {
        inv.command = positional.front();
        inv.operands.assign(positional.begin() + 1, positional.end());
    }
    return inv;
}

void CheckOptionsAllowed(const Invocation& inv, const std::vector<std::string>& allowed) {
    for (const auto& [name, value] : inv.values) {
        if (name == "help" || name == "version") continue;
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            throw UsageError{"option --" + name + " does not apply to \"ozv " + inv.command + "\""};
    }
}

}  // namespace quellmark
