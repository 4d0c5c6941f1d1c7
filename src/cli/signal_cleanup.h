#pragma once
// What ozv writes for itself (a copy of standard input, working directories
// holding deciphered cabinets and files not yet in place) must not stay
// behind when Ctrl+C, a closed terminal or `kill` ends it half-way.
#include <string>

namespace quellmark {

// While it lives, `path` (a file, or a directory with everything beneath it)
// is removed should SIGINT, SIGTERM or SIGHUP end the program; the program
// then dies of the signal as it would have. Removing the path in the normal
// course is the owner's business. At most a few paths are held at a time;
// beyond that, throws Exception.
class RemovedOnSignal {
public:
    explicit RemovedOnSignal(const std::string& path);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

private:
    int slot_;
};

}  // namespace quellmark
