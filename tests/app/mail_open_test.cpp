// Opening mail in the desktop program: the containers in a message are
// decoded into the window's scratch directory, one opens as a container
// does, several are offered to choose from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/scripted_form.h"
#include "app/stamped_container.h"
#include "mail_writer.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

class MailOpenTest : public ScriptedFormTest {
protected:
    void SetUp() override {
        ScriptedFormTest::SetUp();
        first = MakeStampedContainer(root, "first.ozv", {{"report.txt", "the report"}});
        second = MakeStampedContainer(root, "second.ozv", {{"photo.jpg", "a photo"}, {"notes/list.txt", "a list"}});
    }

    // A message of a line of text and these (attachment name, file) pairs.
    std::string Mail(const std::string& file, const std::vector<std::pair<std::string, std::string>>& attachments) {
        std::vector<std::string> parts;
        for (const auto& [name, path] : attachments) parts.push_back(AttachmentPart(path, name));
        return WriteMail((root / file).string(), {TextWith(parts)});
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

    std::string first, second;  // two containers
};

TEST_F(MailOpenTest, AMessageWithOneContainerOpensItAsAContainerIsOpened) {
    const std::string mail = Mail("mail.eml", {{"Quarterly Report.ozv", first}});
    auto form = Start(mail);

    EXPECT_EQ(ui.listed, std::vector<std::string>{"report.txt"});
    EXPECT_EQ(ReadFile(form->scratchDir + "/report.txt"), "the report");
    // The attachment's own name stands for it: in the title and the password dialog.
    EXPECT_EQ(ui.containerName, "Quarterly Report.ozv");
    EXPECT_EQ(ui.passwordFor, std::vector<std::string>{mail + "/Quarterly Report.ozv"});
    EXPECT_TRUE(ui.attachmentLists.empty());
    EXPECT_FALSE(form->lastOpenFailed);
}

TEST_F(MailOpenTest, SeveralContainersAreOfferedTheChosenOneOpensAndItsCopyGoesWithTheWindow) {
    const std::string mail = Mail("mail.eml", {{"first.ozv", first}, {"second.ozv", second}});
    auto form = Start(std::nullopt);

    ui.attachmentAnswers = {1};
    form->OpenChosen(mail);
    ASSERT_EQ(ui.attachmentLists.size(), 1u);
    const std::vector<MailContainer>& offered = ui.attachmentLists[0];
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].name, "first.ozv");
    EXPECT_EQ(offered[0].size, fs::file_size(first));
    EXPECT_EQ(offered[1].name, "second.ozv");
    EXPECT_EQ(offered[1].size, fs::file_size(second));
    EXPECT_NE(offered[0].location, offered[1].location);
    EXPECT_EQ(ui.listed, (std::vector<std::string>{"photo.jpg", "notes/list.txt"}));
    EXPECT_EQ(ui.containerName, "second.ozv");

    // The chosen container's copy is in the scratch directory, beside the
    // unpacked files but in a hidden folder of its own (the list above does
    // not show it); the one not chosen is gone.
    auto copies = [&] {
        std::vector<std::string> hidden;
        for (const std::string& file : ScratchFiles(*form))
            if (file.front() == '.') hidden.push_back(file);
        return hidden;
    };
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_NE(copies()[0].find('/'), std::string::npos);
    EXPECT_EQ(ReadFile(form->scratchDir + "/" + copies()[0]), ReadFile(second));

    // The other choice, the next time the same mail is opened: decoded
    // afresh, and the copy of the one before replaced.
    ui.attachmentAnswers = {0};
    form->OpenChosen(mail);
    EXPECT_EQ(ui.listed, std::vector<std::string>{"report.txt"});
    EXPECT_EQ(ui.containerName, "first.ozv");
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(ReadFile(form->scratchDir + "/" + copies()[0]), ReadFile(first));

    const std::string scratch = form->scratchDir;
    form->FormClose();
    EXPECT_FALSE(fs::exists(scratch));
}

TEST_F(MailOpenTest, AWrongPasswordIsAskedForAgainForTheAttachment) {
    const std::string mail = Mail("mail.eml", {{"first.ozv", first}, {"second.ozv", second}});
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
    const std::string mail = Mail("mail.eml", {{"first.ozv", first}});
    const std::string other = Mail("other.eml", {{"second.ozv", second}});
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

TEST_F(MailOpenTest, NothingOpensWhenTheChoiceIsCancelledOrThereIsNothingToOpen) {
    auto form = Start(std::nullopt);
    const std::string both = Mail("both.eml", {{"first.ozv", first}, {"second.ozv", second}});
    ui.attachmentAnswers = {std::nullopt};
    form->OpenChosen(both);
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_EQ(ui.containerName, "");
    EXPECT_EQ(ui.passwordFor, std::vector<std::string>{""});  // the start's question alone
    // The decoded containers went with the cancelled choice.
    EXPECT_TRUE(ScratchFiles(*form).empty());

    // Mail without a container, and mail that cannot be read: an error naming it.
    const std::string none = Mail("none.eml", {{"invoice.pdf", MakeFile("invoice.pdf", "%PDF-1.4")}});
    const std::string deep = MakeFile("deep.eml", NestedMultiparts(10000));
    ui.passwordFor.clear();
    for (const std::string& mail : {none, deep}) {
        form->OpenChosen(mail);
        ASSERT_FALSE(ui.shown.empty());
        EXPECT_EQ(ui.shown.back().rfind("error: ", 0), 0u) << ui.shown.back();
        EXPECT_NE(ui.shown.back().find(mail), std::string::npos) << ui.shown.back();
    }
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_TRUE(ui.passwordFor.empty());
    EXPECT_TRUE(ScratchFiles(*form).empty());
}

TEST_F(MailOpenTest, AtStartANotOpenedMessageAsksForNoPassword) {
    const std::string none = Mail("none.eml", {});
    auto form = Start(none);
    EXPECT_TRUE(ui.passwordFor.empty());
    ui.passwordAnswers.clear();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find(none), std::string::npos) << ui.shown[0];
    EXPECT_TRUE(ui.listed.empty());
}

}  // namespace

}  // namespace quellmark
