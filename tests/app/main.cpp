// Test entry: the window tests need a running application object.
#include <QFont>
#include <gtest/gtest.h>

#include "platform/gui/application.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) // test discovery runs without the test environment
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    app.setApplicationName("Tockwell");
    app.setFont(QFont("DejaVu Sans", 9));
    return RUN_ALL_TESTS();
}
