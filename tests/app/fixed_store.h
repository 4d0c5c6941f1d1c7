#pragma once
// A password store that keeps its one record in memory.
#include "app/form_ui.h"

namespace quellmark {

struct FixedStore : TPasswordStore {
    PasswordEntry entry;
    PasswordEntry Load() override { return entry; }
    void Save(const PasswordEntry& e) override { entry = e; }
};

}  // namespace quellmark
