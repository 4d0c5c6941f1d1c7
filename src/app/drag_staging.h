#pragma once
// What a drag of listed files hands a file manager. A file manager copies
// what a drag names and nothing around it, so a file listed with a folder
// part ("docs/readme.txt") would arrive without its folder. Such files are
// linked into a fresh staging tree inside the scratch directory that holds
// just the dragged files under their listed paths, and the drag names that
// tree's top folders instead. Decrypted data never leaves the scratch
// directory this way, and it goes with the window.
#include <string>
#include <vector>

namespace quellmark {

// The paths a drag of `captions` (names relative to `scratchDir`) offers, in
// the order of the captions: a file's own path when its caption has no
// folder part, else the top folder of its staged copy, named once however
// many files share it. Captions that could point outside the scratch
// directory, or name no file there, are left out. Throws Exception when the
// staging tree cannot be made.
std::vector<std::string> StageForDrag(const std::string& scratchDir, const std::vector<std::string>& captions);

// The prefix of the staging folders' names in the scratch directory.
extern const char* const kDragStagingPrefix;

}  // namespace quellmark
