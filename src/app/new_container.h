#pragma once
// File > New Container and `quellmark --send`: what the New Container dialog
// offers, the checks on what the user filled in, and the writing of the
// container itself. No toolkit here; the dialog is TFormUi's.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/form_ui.h"

namespace quellmark {

// Every cipher a container can be made with, by registry name, in registry
// order (so that a name's position is the index its header records).
std::vector<std::string> CipherChoices();
// The registry index of a cipher name; nullopt for a name not offered.
std::optional<int32_t> CipherIndexOf(const std::string& name);

// Where a container of `sources` goes unless the user says otherwise:
// beside the first file or folder, named after it with ".ozv" added. Empty
// when there are no sources.
std::string DefaultContainerPath(const std::vector<std::string>& sources);

// What is wrong with a request, in words for the user; nullopt when it can
// be written. On success `keyed` holds the password as its bytes in
// `codePage`, the way every container's key is made from it.
std::optional<std::string> CheckNewContainer(const NewContainerRequest& request, const std::string& codePage,
                                             std::string& keyed);

// Reports how far a step ("Packing the files...", "Enciphering the
// container...") has come: bytes done of the total; (0, 0) at its end.
using NewContainerProgress = std::function<void(const std::string& step, int64_t done, int64_t total)>;

// Packs the request's sources (each under its own name, folders with
// everything beneath them) into a cabinet in `workDirectory`, enciphers it
// with `keyedPassword` into the request's target and removes the cabinet
// again. `warn` hears of what was left out or changed on the way; failures
// are exceptions, and then a file at the target stays as it was.
void WriteNewContainer(const NewContainerRequest& request, const std::string& keyedPassword,
                       const std::string& workDirectory, const NewContainerProgress& progress,
                       const std::function<void(const std::string&)>& warn);

}  // namespace quellmark
