// The invariant check that the other tree tests rely on: it reports planted faults.
#include "treetestutil.h"

namespace {

TEST(TreeInvariants, AWrongIndexIsReported) {
    TTestTree tree;
    tree.SetRootNodeCount(3);
    PLeanNode parent = tree.GetFirstNoInit()->NextSibling;
    tree.SetChildCount(parent, 3);
    ASSERT_EQ(TTreeInvariants::Check(tree), "");
    // A top-level node and a child in the middle of its siblings, each given its neighbour's
    // Index in turn.
    for (PLeanNode n : {parent, parent->FirstChild->NextSibling}) {
        uint32_t index = n->Index;
        n->Index = index + 1;
        std::string why = TTreeInvariants::Check(tree);
        EXPECT_NE(why.find(Format("Index %u, expected %u", index + 1, index)), std::string::npos)
            << why;
        n->Index = index;
    }
    EXPECT_TREE_VALID(tree);
}

} // namespace
