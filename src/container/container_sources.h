#pragma once
// Gathering the files and folders the user names for a new container.
#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "cabinet/cab_writer.h"

namespace quellmark {

// The files gathered for a new cabinet.
struct SourceWalk {
    std::vector<CabSource> sources;
    // Told what is stored otherwise than given or left out, and why; the
    // gathering goes on.
    std::function<void(const std::string&)> warn;
    // The directories being walked, by identity: a link back to one of them
    // would otherwise be walked forever.
    std::vector<std::pair<dev_t, ino_t>> ancestors;
};

// Adds `path` (a file, or a directory with everything beneath it) to
// `walk`, stored as `storedName` ("" stores a directory's files under their
// own names). Each file is opened here, before a password is asked for or
// anything is written, so that one that cannot be read stops the work at
// once and by name (an Exception). What a cabinet cannot hold is named in a
// warning: a symbolic link is followed (one that leads nowhere is left out),
// and an empty folder is left out.
void CollectSources(const std::string& path, const std::string& storedName, SourceWalk& walk);

}  // namespace quellmark
