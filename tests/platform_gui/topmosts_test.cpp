#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include "platform/gui/topmosts.h"

TEST(TopMosts, NormalizeAndRestoreNest) {
    QWidget onTop(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    QWidget plain;
    onTop.show();
    plain.show();
    ASSERT_NE(onTop.windowHandle(), nullptr);
    auto isOnTop = [&] { return bool(onTop.windowHandle()->flags() & Qt::WindowStaysOnTopHint); };
    EXPECT_TRUE(isOnTop());
    NormalizeTopMosts();
    EXPECT_FALSE(isOnTop());
    NormalizeTopMosts();
    EXPECT_EQ(TopMostLevel(), 2);
    RestoreTopMosts();
    EXPECT_FALSE(isOnTop()); // still inside the outer pair
    RestoreTopMosts();
    EXPECT_TRUE(isOnTop());
    EXPECT_FALSE(plain.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    RestoreTopMosts(); // unbalanced: ignored
    EXPECT_EQ(TopMostLevel(), 0);
    EXPECT_TRUE(isOnTop());
}
