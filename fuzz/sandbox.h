#pragma once
// Where a fuzz target may write: one fresh directory per input, inside a
// private root. After each input the root must hold nothing but that
// directory; anything else was written outside the place the code was given,
// and the run aborts so that libFuzzer keeps the input.
#include <string>

namespace quellmark {

class FuzzSandbox {
public:
    // The root is made once per process, under $TMPDIR (or /tmp).
    FuzzSandbox();

    // A fresh, empty directory for one input.
    std::string NewCase();
    // Checks that nothing escaped the case directory, then removes it.
    void EndCase();

    const std::string& Root() const { return root_; }

private:
    std::string root_;
    std::string jail_;
    std::string case_;
    unsigned counter_ = 0;
};

// The process-wide sandbox (made on first use).
FuzzSandbox& Sandbox();

}  // namespace quellmark
