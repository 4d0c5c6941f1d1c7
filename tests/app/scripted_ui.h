#pragma once
// A main window answered by script, for the tests of TForm1: it records what
// the window shows and answers its questions from queues (an unexpected
// question finds its queue empty and fails the test).
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/form_ui.h"
#include "base/exception.h"

namespace quellmark {

// Records what the window shows and answers its questions from queues.
struct ScriptedUi : TFormUi {
    std::deque<std::optional<PasswordEntry>> passwordAnswers;
    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<std::string> shown;  // every dialog and box, in order
    std::vector<std::string> listed;
    bool closed = false;

    std::vector<std::string> passwordFor;  // the container each password dialog named
    std::optional<PasswordEntry> AskPassword(const PasswordEntry& initial, const std::string& containerPath) override {
        shown.push_back("password dialog" + std::string(initial.remember ? " (filled)" : ""));
        passwordFor.push_back(containerPath);
        auto answer = passwordAnswers.at(0);
        passwordAnswers.pop_front();
        return answer;
    }
    void ShowError(const std::string& text) override { shown.push_back("error: " + text); }
    void ShowMessage(const std::string& text) override { shown.push_back("message: " + text); }
    bool AskYesNo(const std::string& text) override {
        shown.push_back("question: " + text);
        bool answer = yesNoAnswers.at(0);
        yesNoAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseContainer() override {
        auto answer = openAnswers.at(0);
        openAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> selected;
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<std::string> saveDialogs;  // "name in directory" of each save dialog
    std::vector<std::string> launched;

    void ClearList() override { listed.clear(); }
    void AddListItem(const std::string& caption, int) override { listed.push_back(caption); }
    std::vector<std::string> ListItems() override { return listed; }
    std::optional<std::string> SelectedItem() override { return selected; }
    std::optional<std::string> ChooseSaveTarget(const std::string& fileName, const std::string& directory) override {
        saveDialogs.push_back(fileName + " in " + directory);
        auto answer = saveAnswers.at(0);
        saveAnswers.pop_front();
        return answer;
    }
    void LaunchDocument(const std::string& path) override { launched.push_back(path); }
    std::deque<std::optional<std::string>> folderAnswers;
    std::vector<std::string> folderDialogs;  // where each folder chooser started
    std::optional<std::string> ChooseFolder(const std::string& startDirectory) override {
        folderDialogs.push_back(startDirectory);
        auto answer = folderAnswers.at(0);
        folderAnswers.pop_front();
        return answer;
    }
    std::deque<ReplaceAnswer> replaceAnswers;
    ReplaceAnswer AskReplace(const std::string& path) override {
        shown.push_back("replace? " + path);
        auto answer = replaceAnswers.at(0);
        replaceAnswers.pop_front();
        return answer;
    }
    std::string containerName;  // what the window's title names
    void ShowContainerName(const std::string& fileName) override { containerName = fileName; }
    void ResetIcons() override {}
    int iconLookupsBeforeFailure = -1;  // -1: the icon lookup never fails
    int IconIndexFor(const std::string&) override {
        if (iconLookupsBeforeFailure == 0) throw Exception("No icon for you");
        if (iconLookupsBeforeFailure > 0) --iconLookupsBeforeFailure;
        return 0;
    }
    void CloseWindow() override { closed = true; }
    // Mail with several containers: the lists shown, and the answers.
    std::vector<std::vector<MailContainer>> attachmentLists;
    std::deque<std::optional<std::size_t>> attachmentAnswers;
    std::optional<std::size_t> ChooseAttachment(const std::vector<MailContainer>& containers) override {
        shown.push_back("attachment list");
        attachmentLists.push_back(containers);
        auto answer = attachmentAnswers.at(0);
        attachmentAnswers.pop_front();
        return answer;
    }
    // The New Container dialog: what it was filled with each time, and the answers.
    std::vector<NewContainerRequest> newContainerDialogs;
    std::deque<std::optional<NewContainerRequest>> newContainerAnswers;
    std::optional<NewContainerRequest> AskNewContainer(const NewContainerRequest& initial) override {
        shown.push_back("new container dialog");
        newContainerDialogs.push_back(initial);
        auto answer = newContainerAnswers.at(0);
        newContainerAnswers.pop_front();
        return answer;
    }
    // The containers handed to the mail composer; a failure to throw, if set.
    std::vector<std::string> composed;
    std::optional<std::string> composerFailure;
    void ComposeMail(const std::string& path) override {
        composed.push_back(path);
        if (composerFailure) throw Exception(*composerFailure);
    }
    std::vector<std::string> warnings;  // what went to the log
    void LogWarning(const std::string& text) override { warnings.push_back(text); }
};

struct MemoryStore : TPasswordStore {
    PasswordEntry stored;
    int saves = 0;
    bool failLoad = false;
    PasswordEntry Load() override {
        if (failLoad) throw Exception("Invalid data type for 'data'");
        return stored;
    }
    void Save(const PasswordEntry& entry) override {
        stored = entry;
        ++saves;
    }
};

}  // namespace quellmark
