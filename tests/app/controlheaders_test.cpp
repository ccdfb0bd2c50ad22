// The edit controls and the tree control are used side by side in one source; their headers
// must not clash. This file fails to compile when they do.
#include "controls/edits/editdragdrop.h"
#include "controls/edits/enhedit.h"
#include "controls/tree/treeclipboard.h"
#include "controls/tree/treeevents.h"

#include <gtest/gtest.h>

TEST(ControlHeaders, EditAndTreeNamesLiveTogether) {
    // Both sides speak the same classic clipboard format numbers.
    EXPECT_EQ(EditCF::Text, CF_TEXT);
    EXPECT_EQ(EditCF::UnicodeText, CF_UNICODETEXT);
    EXPECT_NE(TEditAlign::eaDefault, TEditAlign::eaLeft);
    EXPECT_NE(eaDefault, eaColor);
}
