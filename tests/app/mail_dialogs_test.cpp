// The New Container dialog and the attachment chooser, offscreen: what
// their callers fill in is what they read back, after the user's changes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "app/new_container.h"
#include "app/qt_application.h"
#include "app/widgets/attachment_dialog.h"
#include "app/widgets/new_container_dialog.h"

namespace quellmark {

namespace {

TEST(NewContainerDialog, IsFilledByItsCallerAndReadBackWithTheUsersChanges) {
    App();
    TNewContainerDlg dialog(nullptr);
    NewContainerRequest request;
    request.sources = {"/home/u/docs/report.pdf", "/home/u/photos"};
    request.cipher = "Twofish";
    request.password = "typed";
    request.confirmation = "typed";
    request.target = DefaultContainerPath(request.sources);
    request.sendByMail = true;
    dialog.Fill(request, CipherChoices());

    EXPECT_EQ(dialog.cipherCombo->count(), static_cast<int>(CipherChoices().size()));
    const NewContainerRequest shown = dialog.Request();
    EXPECT_EQ(shown.sources, request.sources);
    EXPECT_EQ(shown.cipher, "Twofish");
    EXPECT_EQ(shown.password, "typed");
    EXPECT_EQ(shown.confirmation, "typed");
    EXPECT_EQ(shown.target, "/home/u/docs/report.pdf.ozv");
    EXPECT_TRUE(shown.sendByMail);

    // "Save as" follows the first file until the user types a place of their own.
    dialog.sourcesList->item(0)->setSelected(true);
    dialog.removeBtn->click();
    EXPECT_EQ(dialog.Request().sources, std::vector<std::string>{"/home/u/photos"});
    EXPECT_EQ(dialog.Request().target, "/home/u/photos.ozv");
    dialog.targetEdit->setFocus();
    dialog.targetEdit->selectAll();
    dialog.targetEdit->insert("/tmp/chosen.ozv");  // as typed: textEdited follows
    dialog.AddSources({"/home/u/a.txt", "/home/u/photos"});
    EXPECT_EQ(dialog.Request().sources, (std::vector<std::string>{"/home/u/photos", "/home/u/a.txt"}));
    EXPECT_EQ(dialog.Request().target, "/tmp/chosen.ozv");

    dialog.cbSend->setChecked(false);
    dialog.cipherCombo->setCurrentText("Blowfish");
    EXPECT_FALSE(dialog.Request().sendByMail);
    EXPECT_EQ(dialog.Request().cipher, "Blowfish");
}

TEST(AttachmentChooser, ListsNameSizeAndLocationAndGivesTheRowChosen) {
    App();
    TAttachmentDlg dialog(nullptr);
    dialog.Fill({{"first.ozv", 300, "section 2", "/x/1"}, {"Grüße.ozv", 3 * 1024 * 1024 + 512 * 1024, "message 2, section 3", "/x/2"}});
    ASSERT_EQ(dialog.attachmentList->topLevelItemCount(), 2);
    const QTreeWidgetItem* second = dialog.attachmentList->topLevelItem(1);
    EXPECT_EQ(second->text(0), QString::fromUtf8("Grüße.ozv"));
    EXPECT_EQ(second->text(1), "3.5 MiB");
    EXPECT_EQ(second->text(2), "message 2, section 3");
    EXPECT_EQ(dialog.attachmentList->topLevelItem(0)->text(1), "300 bytes");
    EXPECT_EQ(dialog.Chosen(), std::optional<std::size_t>(0));
    dialog.attachmentList->setCurrentItem(dialog.attachmentList->topLevelItem(1));
    EXPECT_EQ(dialog.Chosen(), std::optional<std::size_t>(1));
    dialog.attachmentList->clearSelection();
    EXPECT_EQ(dialog.Chosen(), std::nullopt);
}

}  // namespace

}  // namespace quellmark
