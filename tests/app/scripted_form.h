#pragma once
// The fixture of tests that drive TForm1 by script: its scratch directories
// in a private cache below the test's directory, a scripted window and an
// in-memory password store.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/scripted_ui.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

class ScriptedFormTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        cacheHome.emplace("XDG_CACHE_HOME", (root / "cache").string());
        std::filesystem::create_directories(root / "cache");
    }

    // Every file in the window's scratch directory but those it keeps there for itself.
    std::vector<std::string> ScratchFiles(const TForm1& form) const {
        std::vector<std::string> files;
        for (const std::string& file : FilesBeneath(form.scratchDir))
            if (file != TScratchDirectory::kLockName && file != "TEST.TXT") files.push_back(file);
        return files;
    }

    std::optional<ScopedEnv> cacheHome;
    ScriptedUi ui;
    MemoryStore store;
};

}  // namespace quellmark
