// The zip library's prompts in the program: boxes through the message boxes, the file filter.

#include "app/zipprompts.h"

#include <gtest/gtest.h>

#include "fakemessageboxes.h"

TEST(QtZipPrompts, BoxesAndFilter) {
    FakeMessageBoxesGuard boxes;
    TQtZipPrompts prompts;
    boxes->Answers = {mrYes, mrNo};
    EXPECT_TRUE(prompts.AskYesNo("Replace existing file a.txt?", "File Exists Alert"));
    EXPECT_FALSE(prompts.AskYesNo("Replace existing file a.txt?", "File Exists Alert"));
    prompts.ShowError("Unknown Compression Method", "Zip Error");
    ASSERT_EQ(boxes->Boxes.size(), 3u);
    EXPECT_EQ(boxes->Boxes[0].text, "Replace existing file a.txt?");
    EXPECT_EQ(boxes->Boxes[0].caption, "File Exists Alert");
    EXPECT_EQ(boxes->Boxes[0].buttons, mbYesNo);
    EXPECT_EQ(boxes->Boxes[2].caption, "Zip Error");
    EXPECT_EQ(boxes->Boxes[2].type, mtError);
    EXPECT_EQ(boxes->Boxes[2].buttons, Buttons(mbOK));

    EXPECT_EQ(ZipFilterToQt("Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe;*.com|All Files "
                            "(*.*)|*.*")
                  .toStdString(),
              "Zip Files (*.ZIP) (*.zip *.ZIP);;SFX Files (*.EXE) (*.exe *.EXE *.com *.COM);;All "
              "Files (*.*) (*)");
}
