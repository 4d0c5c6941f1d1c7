#include "sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace quellmark {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Escaped(const std::string& what) {
    std::fprintf(stderr, "fuzz sandbox: %s\n", what.c_str());
    std::abort();
}

}  // namespace

FuzzSandbox::FuzzSandbox() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quellmark-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) Escaped("cannot make the sandbox root under " + pattern);
    root_ = pattern;
    // Cases live one level down, so that a path climbing two levels out of
    // its case directory still lands somewhere this sandbox watches.
    jail_ = root_ + "/jail";
    std::error_code error;
    if (!fs::create_directory(jail_, error)) Escaped("cannot make " + jail_);
}

std::string FuzzSandbox::NewCase() {
    case_ = jail_ + "/case" + std::to_string(++counter_);
    std::error_code error;
    if (!fs::create_directory(case_, error)) Escaped("cannot make " + case_);
    return case_;
}

void FuzzSandbox::EndCase() {
    std::error_code error;
    for (const auto& [directory, allowed] : {std::pair{root_, jail_}, std::pair{jail_, case_}}) {
        for (const auto& entry : fs::directory_iterator(directory, error))
            if (entry.path() != allowed) Escaped("written outside its directory: " + entry.path().string());
        if (error) Escaped("cannot read " + directory);
    }
    fs::remove_all(case_, error);
    if (error) {
        // A file the code under test made unremovable (no write permission on
        // a directory) must not stop the run: make it writable and retry.
        for (const auto& entry : fs::recursive_directory_iterator(case_, fs::directory_options::skip_permission_denied, error))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(case_, error);
        if (error) Escaped("cannot remove " + case_ + ": " + error.message());
    }
}

FuzzSandbox& Sandbox() {
    static FuzzSandbox* sandbox = [] {
        auto* made = new FuzzSandbox();
        // The root goes when the process ends normally.
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Sandbox().Root(), ignored);
        });
        return made;
    }();
    return *sandbox;
}

}  // namespace quellmark
