// Opening mail in the desktop program: the containers in a message are
// decoded into the window's scratch directory, one opens as a container
// does, several are offered to choose from.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/form1.h"
#include "app/scripted_ui.h"
#include "app/mail_message.h"
#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

struct NoStore : TPasswordStore {
    PasswordEntry Load() override { return {}; }
    void Save(const PasswordEntry&) override {}
};

class MailOpenTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        cacheHome.emplace("XDG_CACHE_HOME", (root / "cache").string());
        fs::create_directories(root / "cache");
        first = MakeContainer("first", {{"report.txt", "the report"}});
        second = MakeContainer("second", {{"photo.jpg", "a photo"}, {"notes/list.txt", "a list"}});
    }

    // The bytes of a container (password "right") of stored name and content pairs.
    std::string MakeContainer(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<CabSource> sources;
        for (const auto& [stored, content] : files) sources.push_back({MakeFile(name + "/" + stored, content), stored, 0});
        const std::string cabinet = (root / (name + ".cab")).string();
        WriteCabinet(cabinet, sources, true);
        const std::string container = (root / (name + ".ozv")).string();
        WriteContainer(cabinet, container, 1, "right");
        return ReadFile(container);
    }

    // A window started as the program starts, the password "right" typed at
    // its first question.
    std::unique_ptr<TForm1> Start(std::optional<std::string> argument) {
        ui.passwordAnswers.push_back(PasswordEntry{"right", false});
        auto form = std::make_unique<TForm1>(ui, store, std::move(argument));
        form->FormCreate();
        form->FormActivate();
        return form;
    }

    // Every regular file beneath the window's scratch directory but the ones
    // the window keeps there for itself.
    std::vector<std::string> ScratchFiles(const TForm1& form) const {
        std::vector<std::string> files;
        for (const std::string& file : FilesBeneath(form.scratchDir))
            if (file != TScratchDirectory::kLockName && file != "TEST.TXT") files.push_back(file);
        return files;
    }

    std::optional<ScopedEnv> cacheHome;
    ScriptedUi ui;
    NoStore store;
    std::string first, second;  // the bytes of two containers
};

TEST_F(MailOpenTest, AMessageWithOneContainerOpensItAsAContainerIsOpened) {
    const std::string mail = MakeFile("mail.eml", MessageWith({{"Quarterly Report.ozv", first}}));
    auto form = Start(mail);

    EXPECT_EQ(ui.listed, std::vector<std::string>{"report.txt"});
    EXPECT_EQ(ReadFile(form->scratchDir + "/report.txt"), "the report");
    // The attachment's own name stands for it: in the title and the password dialog.
    EXPECT_EQ(ui.containerName, "Quarterly Report.ozv");
    EXPECT_EQ(ui.passwordFor, std::vector<std::string>{mail + "/Quarterly Report.ozv"});
    EXPECT_TRUE(ui.attachmentLists.empty());
    EXPECT_FALSE(form->lastOpenFailed);
}

TEST_F(MailOpenTest, SeveralContainersAreOfferedAndTheChosenOneOpens) {
    const std::string mail = MakeFile("mail.eml", MessageWith({{"first.ozv", first}, {"second.ozv", second}}));
    auto form = Start(std::nullopt);

    ui.attachmentAnswers = {1};
    form->OpenChosen(mail);
    ASSERT_EQ(ui.attachmentLists.size(), 1u);
    const std::vector<MailContainer>& offered = ui.attachmentLists[0];
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].name, "first.ozv");
    EXPECT_EQ(offered[0].size, first.size());
    EXPECT_EQ(offered[1].name, "second.ozv");
    EXPECT_EQ(offered[1].size, second.size());
    EXPECT_NE(offered[0].location, offered[1].location);
    EXPECT_EQ(ui.listed, (std::vector<std::string>{"photo.jpg", "notes/list.txt"}));
    EXPECT_EQ(ui.containerName, "second.ozv");

    // The other choice, the next time the same mail is opened.
    ui.attachmentAnswers = {0};
    form->OpenChosen(mail);
    EXPECT_EQ(ui.listed, std::vector<std::string>{"report.txt"});
    EXPECT_EQ(ui.containerName, "first.ozv");
}

TEST_F(MailOpenTest, AWrongPasswordIsAskedForAgainForTheAttachment) {
    const std::string mail = MakeFile("mail.eml", MessageWith({{"first.ozv", first}, {"second.ozv", second}}));
    auto form = Start(std::nullopt);
    form->password = "wrong";
    ui.passwordFor.clear();

    ui.attachmentAnswers = {0};
    ui.yesNoAnswers = {true};
    ui.passwordAnswers = {PasswordEntry{"right", false}};
    form->OpenChosen(mail);
    // Chosen once: the retry opens the same attachment without asking again.
    EXPECT_EQ(ui.attachmentLists.size(), 1u);
    EXPECT_EQ(ui.passwordFor, std::vector<std::string>{mail + "/first.ozv"});
    EXPECT_EQ(ui.listed, std::vector<std::string>{"report.txt"});
}

TEST_F(MailOpenTest, ChangePasswordOpensTheStartsAttachmentAgainAfterOtherMailWasOpened) {
    const std::string mail = MakeFile("mail.eml", MessageWith({{"first.ozv", first}}));
    const std::string other = MakeFile("other.eml", MessageWith({{"second.ozv", second}}));
    ui.passwordAnswers = {PasswordEntry{"wrong", false}};
    ui.yesNoAnswers = {false, false};
    auto form = std::make_unique<TForm1>(ui, store, mail);
    form->FormCreate();
    form->FormActivate();
    ASSERT_TRUE(form->lastOpenFailed);
    form->OpenChosen(other);  // fails too: the copies of the first mail are gone now
    ASSERT_TRUE(form->lastOpenFailed);

    ui.passwordFor.clear();
    ui.passwordAnswers = {PasswordEntry{"right", false}};
    form->ChangePassword1Click();
    // Its attachment is read out of the mail again after the dialog: the dialog names the mail.
    EXPECT_EQ(ui.passwordFor, std::vector<std::string>{mail});
    EXPECT_EQ(ui.listed, std::vector<std::string>{"report.txt"});
    EXPECT_EQ(ui.containerName, "first.ozv");
}

TEST_F(MailOpenTest, NothingOpensWhenTheChoiceIsCancelledOrThereIsNothingToChoose) {
    auto form = Start(std::nullopt);
    const std::string both = MakeFile("both.eml", MessageWith({{"first.ozv", first}, {"second.ozv", second}}));
    ui.attachmentAnswers = {std::nullopt};
    form->OpenChosen(both);
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_EQ(ui.containerName, "");
    EXPECT_EQ(ui.passwordFor, std::vector<std::string>{""});  // the start's question alone
    // The decoded containers went with the cancelled choice.
    EXPECT_TRUE(ScratchFiles(*form).empty());

    const std::string none = MakeFile("none.eml", MessageWith({{"invoice.pdf", "%PDF-1.4"}}));
    ui.passwordFor.clear();
    form->OpenChosen(none);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().rfind("error: ", 0), 0u) << ui.shown.back();
    EXPECT_NE(ui.shown.back().find(none), std::string::npos) << ui.shown.back();
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_TRUE(ui.passwordFor.empty());
}

TEST_F(MailOpenTest, MailThatCannotBeReadIsAnErrorNamingIt) {
    auto form = Start(std::nullopt);
    const std::string deep = MakeFile("deep.eml", DeeplyNestedMessage(10000));
    ui.passwordFor.clear();
    form->OpenChosen(deep);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().rfind("error: ", 0), 0u) << ui.shown.back();
    EXPECT_NE(ui.shown.back().find(deep), std::string::npos) << ui.shown.back();
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_TRUE(ui.passwordFor.empty());
    EXPECT_TRUE(ScratchFiles(*form).empty());
}

TEST_F(MailOpenTest, AtStartANotOpenedMessageAsksForNoPassword) {
    const std::string none = MakeFile("none.eml", MessageWith({}));
    auto form = Start(none);
    EXPECT_TRUE(ui.passwordFor.empty());
    ui.passwordAnswers.clear();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find(none), std::string::npos) << ui.shown[0];
    EXPECT_TRUE(ui.listed.empty());
}

TEST_F(MailOpenTest, DecodedContainersStayApartFromTheFilesAndGoWithTheWindow) {
    const std::string mail = MakeFile("mail.eml", MessageWith({{"first.ozv", first}, {"second.ozv", second}}));
    auto form = Start(std::nullopt);
    ui.attachmentAnswers = {1};
    form->OpenChosen(mail);

    // The chosen container's copy is in the scratch directory, beside the
    // unpacked files but in a folder of its own that the list never shows;
    // the one not chosen is gone.
    std::vector<std::string> decoded;
    for (const std::string& file : ScratchFiles(*form))
        if (std::find(ui.listed.begin(), ui.listed.end(), file) == ui.listed.end()) decoded.push_back(file);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].front(), '.');
    EXPECT_NE(decoded[0].find('/'), std::string::npos);
    EXPECT_EQ(ReadFile(form->scratchDir + "/" + decoded[0]), second);

    // Opening other mail replaces the copies of the one before.
    const std::string other = MakeFile("other.eml", MessageWith({{"first.ozv", first}}));
    form->OpenChosen(other);
    std::vector<std::string> copies;
    for (const std::string& file : ScratchFiles(*form))
        if (file.front() == '.') copies.push_back(file);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadFile(form->scratchDir + "/" + copies[0]), first);

    const std::string scratch = form->scratchDir;
    form->FormClose();
    EXPECT_FALSE(fs::exists(scratch));
}

}  // namespace

}  // namespace quellmark
