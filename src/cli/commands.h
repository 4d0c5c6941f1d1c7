#pragma once
// The commands of `ozv`, each taking the parsed invocation and returning an exit status.
#include "cli/options.h"
#include "crypto/cipher.h"
#include "crypto/hash.h"

namespace quellmark {

int CommandAlgorithms(const Invocation& inv);
int CommandHash(const Invocation& inv);
int CommandCode(const Invocation& inv, bool encipher);
int CommandInfo(const Invocation& inv);
int CommandList(const Invocation& inv);
int CommandExtract(const Invocation& inv);
int CommandTest(const Invocation& inv);
int CommandCreate(const Invocation& inv);
int CommandAttachments(const Invocation& inv);

// A cipher by anything the registry looks up, or by its index. Unlike the
// managers, which quietly fall back, `ozv` refuses a name it does not know:
// throws UsageError listing the valid names.
const TCipherClass& ChooseCipher(const std::string& name);
const THashClass& ChooseHash(const std::string& name);

}  // namespace quellmark
