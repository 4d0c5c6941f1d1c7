// File > New Container and `quellmark --send`, answered by script: what is
// written decodes to what was chosen, what is refused is refused, and the
// composer gets the container.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/new_container.h"
#include "app/scripted_form.h"
#include "container/vossel_decoder.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

class NewContainerTest : public ScriptedFormTest {
protected:
    void SetUp() override {
        ScriptedFormTest::SetUp();
        report = MakeFile("in/report.txt", "the report");
        MakeFile("in/photos/one.jpg", "first photo");
        MakeFile("in/photos/trip/two.jpg", "second photo");
        photos = (root / "in/photos").string();
        target = (root / "out.ozv").string();
        form = std::make_unique<TForm1>(ui, store, std::nullopt);
        form->FormCreate();
    }

    NewContainerRequest Request(const std::string& password = "secret") const {
        NewContainerRequest request;
        request.sources = {report, photos};
        request.password = request.confirmation = password;
        request.target = target;
        return request;
    }

    // The files a container holds, decoded with `keyed` (bytes as keyed),
    // each with its content.
    std::map<std::string, std::string> Decoded(const std::string& container, const std::string& keyed) {
        const std::string into = (root / ("decoded-" + std::to_string(decodes++))).string();
        fs::create_directories(into);
        TStringList names;
        TVosselDecoder().DecodeContainer(names, container, into, keyed);
        std::map<std::string, std::string> files;
        for (const auto& entry : names) files[entry.text] = ReadFile(into + "/" + entry.text);
        return files;
    }

    std::unique_ptr<TForm1> form;
    std::string report, photos, target;
    int decodes = 0;
};

TEST_F(NewContainerTest, TheContainerDecodesWithItsPasswordToTheChosenFiles) {
    NewContainerRequest request = Request("Grüße");
    request.cipher = CipherChoices().at(5);
    ui.newContainerAnswers = {request};
    ASSERT_TRUE(form->NewContainer1Click());

    const std::map<std::string, std::string> expected = {
        {"report.txt", "the report"}, {"photos/one.jpg", "first photo"}, {"photos/trip/two.jpg", "second photo"}};
    // Keyed as Windows keys it: the password's bytes in code page 1252.
    EXPECT_EQ(Decoded(target, "Gr\xFC\xDF" "e"), expected);
    EXPECT_THROW(Decoded(target, "Grüße"), std::exception);
    EXPECT_EQ(ReadAlgorithmIndex(target), 5);
    // The cabinet in clear went as soon as it was enciphered.
    EXPECT_TRUE(ScratchFiles(*form).empty());
    EXPECT_TRUE(ui.composed.empty());
}

TEST_F(NewContainerTest, WhatCannotBeWrittenIsRefusedAndAskedForAgain) {
    NewContainerRequest mismatched = Request();
    mismatched.confirmation = "secrat";
    NewContainerRequest empty = Request("");
    NewContainerRequest sameName = Request();
    sameName.sources.push_back(MakeFile("other/report.txt", "another report"));
    NewContainerRequest nothing = Request();
    nothing.sources.clear();
    NewContainerRequest foreign = Request("Ωmega");  // no letter of code page 1252
    NewContainerRequest unknownCipher = Request();
    unknownCipher.cipher = "Enigma";
    const std::vector<NewContainerRequest> refused = {mismatched, empty, sameName, nothing, foreign, unknownCipher};
    for (const NewContainerRequest& answer : refused) ui.newContainerAnswers.push_back(answer);
    ui.newContainerAnswers.push_back(std::nullopt);
    EXPECT_FALSE(form->NewContainer1Click(Request()));

    EXPECT_FALSE(fs::exists(target));
    ASSERT_EQ(ui.newContainerDialogs.size(), refused.size() + 1);
    for (std::size_t i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ui.shown.at(2 * i + 1).rfind("error: ", 0), 0u) << ui.shown.at(2 * i + 1);
        // The dialog comes back as it was left, the passwords to be typed again.
        const NewContainerRequest& again = ui.newContainerDialogs.at(i + 1);
        EXPECT_EQ(again.sources, refused[i].sources);
        EXPECT_EQ(again.target, refused[i].target);
        EXPECT_EQ(again.password, "");
        EXPECT_EQ(again.confirmation, "");
    }
    EXPECT_NE(ui.shown.at(1).find("differ"), std::string::npos);
}

TEST_F(NewContainerTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    MakeFile("out.ozv", "keep me");
    ui.newContainerAnswers = {Request()};
    ui.yesNoAnswers = {false};
    EXPECT_FALSE(form->NewContainer1Click());
    EXPECT_EQ(ReadFile(target), "keep me");

    ui.newContainerAnswers = {Request()};
    ui.yesNoAnswers = {true};
    EXPECT_TRUE(form->NewContainer1Click());
    EXPECT_EQ(Decoded(target, "secret").size(), 3u);

    // A file being packed is never the one replaced, whatever the answer.
    NewContainerRequest overSource = Request();
    overSource.target = report;
    ui.newContainerAnswers = {overSource};
    ui.yesNoAnswers = {true};
    EXPECT_FALSE(form->NewContainer1Click());
    EXPECT_EQ(ReadFile(report), "the report");
    EXPECT_EQ(ui.shown.back().rfind("error: ", 0), 0u) << ui.shown.back();
    EXPECT_TRUE(ScratchFiles(*form).empty());
}

TEST_F(NewContainerTest, SendingHandsTheWrittenContainerToTheComposer) {
    NewContainerRequest request = Request();
    request.sendByMail = true;
    ui.newContainerAnswers = {request};
    EXPECT_TRUE(form->NewContainer1Click());
    ASSERT_EQ(ui.composed, std::vector<std::string>{target});
    EXPECT_EQ(Decoded(target, "secret").size(), 3u);

    // A composer that fails leaves the container written, and says so.
    fs::remove(target);
    ui.composerFailure = "xdg-email is not installed";
    ui.newContainerAnswers = {request};
    EXPECT_TRUE(form->NewContainer1Click());
    EXPECT_TRUE(fs::exists(target));
    EXPECT_NE(ui.shown.back().find("xdg-email is not installed"), std::string::npos) << ui.shown.back();

    // Nothing is sent when the container could not be made.
    ui.composed.clear();
    NewContainerRequest missing = request;
    missing.sources = {(root / "in/gone.txt").string()};
    missing.target = (root / "gone.ozv").string();
    ui.newContainerAnswers = {missing};
    EXPECT_FALSE(form->NewContainer1Click());
    EXPECT_TRUE(ui.composed.empty());
    EXPECT_FALSE(fs::exists(missing.target));
}

TEST(NewContainerPlace, TheContainerGoesBesideTheFirstSourceNamedAfterIt) {
    EXPECT_EQ(DefaultContainerPath({"/home/u/docs/report.pdf", "/home/u/a.txt"}), "/home/u/docs/report.pdf.ozv");
    EXPECT_EQ(DefaultContainerPath({"/home/u/photos/"}), "/home/u/photos.ozv");
    EXPECT_EQ(DefaultContainerPath({}), "");
    EXPECT_EQ(DefaultContainerPath({"/"}), "");
}

}  // namespace

}  // namespace quellmark
