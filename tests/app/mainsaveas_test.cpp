#include <gtest/gtest.h>

#include "app/datafilestore.h"
#include "mainwindowfixture.h"
#include "platform/fileutils.h"

using MainSaveAsTest = MainWindowFixture;

TEST_F(MainSaveAsTest, SaveAsAnswersInsideTheCallAndReportsOnlyAWrittenFile) {
    auto form = Open();
    std::string answer; // the save dialog's choice after the error box
    form->DataFile().OnAskSaveFileName = [&](const std::string&) { return answer; };
    const std::string unwritable = "/proc/self/db.tock";
    // Cancelled after the error box: the name is set, but nothing was written.
    EXPECT_FALSE(form->SaveDataFileTo(unwritable));
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_FALSE(form->DataFile().SaveFailurePending());

    const std::string other = dir.File("other.tock");
    EXPECT_TRUE(form->SaveDataFileTo(other));
    EXPECT_TRUE(FileExists(other));
    EXPECT_EQ(boxes->Boxes.size(), 1u);
}
