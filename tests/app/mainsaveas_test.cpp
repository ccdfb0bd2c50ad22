#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/datafilestore.h"
#include "app/frmoptdatafile.h"
#include "app/frmtockwelloptions.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "dialogtestutil.h"
#include "mainwindowfixture.h"
#include "platform/fileutils.h"

using MainSaveAsTest = MainWindowFixture;

TEST_F(MainSaveAsTest, SaveAsAnswersInsideTheCallAndReportsOnlyAWrittenFile) {
    auto form = Open();
    std::string answer; // the save dialog's choice after the error box
    form->DataFile().OnAskSaveFileName = [&](const std::string&) { return answer; };
    const std::string unwritable = "/proc/self/db.tock";
    // Cancelled after the error box: nothing was written.
    EXPECT_FALSE(form->SaveDataFileTo(unwritable));
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_FALSE(form->DataFile().SaveFailurePending());

    const std::string other = dir.File("other.tock");
    EXPECT_TRUE(form->SaveDataFileTo(other));
    EXPECT_TRUE(FileExists(other));
    EXPECT_EQ(boxes->Boxes.size(), 1u);
}

TEST_F(MainSaveAsTest, ACancelledSaveAsFromTheDataFilePageKeepsTheFileBefore) {
    SetMessageBoxes(nullptr); // the real error box and dialogs
    auto form = Open();
    TTockwellOptionsWnd options;
    options.show();
    options.SelectSheet("Data File");
    auto* page = dynamic_cast<TfrmOptionsDataFile*>(options.CurrentSheet());
    ASSERT_NE(page, nullptr);
    bool cancelled = false;
    OnModal<QFileDialog>([&](QFileDialog& dialog) {
        dialog.selectFile(QStringLiteral("/proc/self/db.tock")); // a folder nobody can write
        static_cast<QDialog&>(dialog).accept();
    });
    OnModal<QMessageBox>([&](QMessageBox& box) {
        OnModal<QFileDialog>([&](QFileDialog& dialog) {
            cancelled = true;
            dialog.reject();
        });
        box.button(QMessageBox::Ok)->click();
    });
    page->btnSaveAs->click();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(page->edDataFilePath->text().toStdString(), file);
    EXPECT_EQ(form->DataFile().FileName(), file);
    EXPECT_EQ(ReadRegistryString(TockwellSettingsKey, "LatestDataFile", ""), file);

    // Later changes go on being written to it.
    form->DB().AddNew("Later", 0);
    form->SaveDataFile();
    EXPECT_FALSE(form->DataFile().SaveFailurePending());
    EXPECT_EQ(Saved()->Count(), 1);
}
