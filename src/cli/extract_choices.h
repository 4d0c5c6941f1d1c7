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

// The same selection without the check: marks in `used` (one flag per
// pattern) each pattern that selects something, so that the selections of
// several containers can be checked together.
std::vector<std::string> SelectMatching(const std::vector<std::string>& names, const std::vector<std::string>& patterns,
                                        std::vector<bool>& used);

// The patterns `used` leaves unmarked, quoted and separated by commas; ""
// when every pattern selected something.
std::string UnmatchedPatterns(const std::vector<std::string>& patterns, const std::vector<bool>& used);

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
