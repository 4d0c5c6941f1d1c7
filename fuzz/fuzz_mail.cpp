// Arbitrary bytes as a piece of mail (a message, an mbox or a winmail.dat,
// as their content says): told apart, listed, and saved into a fresh
// directory. Listing and saving walk the same mail, so when both succeed
// they must agree on every container; a saved copy must sit in the
// directory given and hold as many bytes as reported.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/exception.h"
#include "mail/mail_containers.h"
#include "sandbox.h"

using namespace quellmark;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = Sandbox().NewCase();
    const std::string mail = dir + "/mail";
    const std::string out = dir + "/out";
    std::ofstream(mail, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::filesystem::create_directory(out);

    DetectMailKind(mail);
    std::vector<MailContainer> listed, saved;
    bool listOk = true, saveOk = true;
    try {
        listed = ListMailContainers(mail);
    } catch (const Exception&) {
        listOk = false;
    }
    try {
        saved = SaveMailContainers(mail, out);
    } catch (const Exception&) {
        saveOk = false;
    }
    if (listOk && saveOk) {
        if (listed.size() != saved.size()) std::abort();
        for (size_t i = 0; i < saved.size(); ++i) {
            if (listed[i].size != saved[i].size || listed[i].name != saved[i].name) std::abort();
            if (std::filesystem::path(saved[i].path).parent_path() != out) std::abort();
            if (std::filesystem::file_size(saved[i].path) != saved[i].size) std::abort();
            SafeAttachmentName(saved[i].name);
        }
    }
    // A failed save leaves nothing behind.
    if (!saveOk && !std::filesystem::is_empty(out)) std::abort();
    Sandbox().EndCase();
    return 0;
}
