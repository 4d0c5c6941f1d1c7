#pragma once
// What `ozv extract` takes out of a container and what it does with files
// that are already in its way.
#include <string>
#include <vector>

namespace quellmark {

// The entries of `names` (in their order, each once) that `patterns` select:
// a pattern selects the entries it names, those it matches as a shell
// pattern ("*" also matching "/", as in tar and unzip), and everything
// beneath a folder it names. No patterns select everything. Throws Exception
// naming every pattern that selects nothing.
std::vector<std::string> SelectEntries(const std::vector<std::string>& names, const std::vector<std::string>& patterns,
                                       const std::string& containerLabel);

enum class ExistingFiles { Ask, Overwrite, Keep };

// Which of `entries` are to be written beneath `directory`, given what to do
// with files that exist there: `Overwrite` writes all, `Keep` leaves out the
// existing ones (and appends their paths to `kept`), `Ask` asks about each on
// the terminal, or, without one, throws Exception naming the first. A folder
// where a file would go is never replaced. Decides everything before anything
// is written, so that a refusal leaves the destination as it was.
std::vector<std::string> ChooseWhatToWrite(const std::vector<std::string>& entries, const std::string& directory,
                                           ExistingFiles policy, bool terminal, std::vector<std::string>& kept);

}  // namespace quellmark
