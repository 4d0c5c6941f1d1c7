// ozv algorithms, ozv hash, ozv encrypt and ozv decrypt.
#include <climits>
#include <cstdio>
#include <unistd.h>

#include "base/buffered_stream.h"
#include "base/streams.h"
#include "base/text.h"
#include "cli/commands.h"
#include "cli/hash_check.h"
#include "cli/hash_names.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "crypto/managers.h"
#include "crypto/registry.h"

namespace quellmark {

int CommandAlgorithms(const Invocation& inv) {
    CheckOptionsAllowed(inv, {});
    if (!inv.operands.empty()) throw UsageError{"\"ozv algorithms\" takes no operands"};
    std::printf("Ciphers (index, name, description):\n");
    const TStringList& ciphers = CipherRegistry().Entries();
    for (std::size_t i = 0; i < ciphers.Count(); ++i) {
        TCipherManager manager;
        manager.SetAlgorithm(TCipherRegistry::ClassAt(ciphers, i)->className);
        std::printf("  %2zu  %-18s  %s\n", i, ciphers.Names(i).c_str(), manager.Description().c_str());
    }
    std::printf("\nHashes (name, description):\n");
    const TStringList& hashes = HashRegistry().Entries();
    for (std::size_t i = 0; i < hashes.Count(); ++i) {
        THashManager manager;
        manager.SetAlgorithm(THashRegistry::ClassAt(hashes, i)->className);
        std::printf("  %-26s  %s\n", hashes.Names(i).c_str(), manager.Description().c_str());
    }
    // After a blank line, so that the list above stays one hash per line.
    bool headed = false;
    for (std::size_t i = 0; i < hashes.Count(); ++i) {
        const THashClass& cls = *THashRegistry::ClassAt(hashes, i);
        std::string note = HashNote(cls);
        if (note.empty()) continue;
        if (!headed) std::printf("\nNotes (digests that differ from those other tools print):\n");
        headed = true;
        std::printf("  %s: %s\n", hashes.Names(i).c_str(), note.c_str());
    }
    return 0;
}

int CommandHash(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"algorithm", "check", "list", "cipher"});
    // -c is --cipher's short form; hash takes no cipher, so here it is
    // sha256sum's -c, the list to check.
    std::optional<std::string> check = inv.Value("check");
    if (!check) check = inv.Value("cipher");
    if (inv.Has("check") && inv.Has("cipher")) throw UsageError{"give the list to check once: -c FILE or --check FILE"};
    if (inv.Has("list")) {
        if (check || inv.Has("algorithm") || !inv.operands.empty())
            throw UsageError{"\"ozv hash --list\" takes no other options and no files"};
        PrintHashList();
        return 0;
    }
    THashManager manager;
    if (auto name = inv.Value("algorithm")) manager.SetAlgorithm(ChooseHash(*name).className);
    manager.OnProgress = TerminalProgress("hashing");
    if (check) {
        if (!inv.operands.empty())
            throw UsageError{"\"ozv hash --check LIST\" reads the files to check from LIST; it takes no other files"};
        return CheckHashList(manager, *check);
    }
    std::vector<std::string> files = inv.operands;
    if (files.empty()) files.push_back("-");
    int status = 0;
    for (const std::string& file : files) {
        std::string digest;
        try {
            digest = DigestOfFile(manager, file);
        } catch (const Exception& e) {
            std::fprintf(stderr, "ozv: %s\n", e.Message().c_str());
            status = 1;
            continue;
        }
        std::printf("%s  %s\n", digest.c_str(), file.c_str());
    }
    return status;
}

namespace {

TCipherMode ParseMode(const std::string& name) {
    static const char* const kModes[] = {"cts", "cbc", "cfb", "ofb", "ecb", "ctsmac", "cbcmac", "cfbmac"};
    for (int i = 0; i < 8; ++i)
        if (SameText(name, kModes[i])) return static_cast<TCipherMode>(i);
    throw UsageError{"unknown mode \"" + name + "\"; use one of cts, cbc, cfb, ofb, ecb, ctsmac, cbcmac, cfbmac"};
}

std::vector<uint8_t> HexOption(const Invocation& inv, const char* option) {
    auto bytes = ParseHex(*inv.Value(option));
    if (!bytes) throw UsageError{std::string("--") + option + " needs an even number of hexadecimal digits"};
    return *bytes;
}

// Keys the cipher with a raw key (and vector) from the command line.
void KeyFromHex(const Invocation& inv, TCipher& cipher) {
    std::vector<uint8_t> key = HexOption(inv, "key-hex");
    if (key.empty() || static_cast<int32_t>(key.size()) > cipher.MaxKeySize())
        throw UsageError{cipher.ClassName() + " takes keys of 1 to " + std::to_string(cipher.MaxKeySize()) +
                         " bytes; --key-hex gave " + std::to_string(key.size())};
    std::vector<uint8_t> vector;
    if (inv.Has("iv-hex")) {
        vector = HexOption(inv, "iv-hex");
        if (static_cast<int32_t>(vector.size()) != cipher.BlockSize())
            throw UsageError{"--iv-hex must give one block of " + std::to_string(cipher.BlockSize()) + " bytes"};
    }
    cipher.Init(key.data(), static_cast<int32_t>(key.size()), vector.empty() ? nullptr : vector.data());
}

}  // namespace

int CommandCode(const Invocation& inv, bool encipher) {
    CheckOptionsAllowed(inv, {"cipher", "mode", "key-hex", "iv-hex", "password", "password-file", "codepage"});
    if (!inv.operands.empty())
        throw UsageError{"\"ozv " + inv.command + "\" reads standard input and writes standard output; it takes no file names"};
    auto cipherName = inv.Value("cipher");
    if (!cipherName) throw UsageError{"\"ozv " + inv.command + "\" needs a cipher: -c NAME or -c INDEX"};
    if (inv.Has("iv-hex") && !inv.Has("key-hex")) throw UsageError{"--iv-hex needs --key-hex"};

    TCipherManager manager;
    manager.SetAlgorithm(ChooseCipher(*cipherName).className);
    manager.SetMode(ParseMode(inv.Value("mode").value_or("cts")));
    if (inv.Has("key-hex"))
        KeyFromHex(inv, manager.Cipher());
    else
        manager.InitKey(ObtainPassword(inv, encipher, true));

    THandleStream input(STDIN_FILENO), output(STDOUT_FILENO);
    // Coding moves 4096 bytes at a time: buffered, a file or pipe sees few
    // large transfers. Reads still fill every chunk, so the chunks are those
    // of a file.
    TBufferedStream in(input), out(output);
    if (encipher)
        manager.EncipherStream(&in, &out, INT64_MAX);
    else
        manager.DecipherStream(&in, &out, INT64_MAX);
    out.FlushBuffer();
    return 0;
}

}  // namespace quellmark
