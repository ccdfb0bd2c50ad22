#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/gui/keypreview.h"

TEST(KeyPreview, AKeyPassedUpToParentsIsSeenOnceButARepeatOnTheSameControlIsNew) {
    QWidget window;
    auto* child = new QWidget(&window);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    TKeyPreview preview;

    EXPECT_FALSE(preview.SeenBefore(child, &key));
    preview.Record(child, &key, false);
    EXPECT_TRUE(preview.SeenBefore(&window, &key)); // the same press on its way up
    // The same event object and time again on the same control is a new press (synthetic
    // events reuse addresses and carry no time).
    EXPECT_FALSE(preview.SeenBefore(child, &key));

    // A key the window used goes no further, so nothing is remembered for the parents.
    preview.Record(child, &key, true);
    EXPECT_FALSE(preview.SeenBefore(&window, &key));
}
