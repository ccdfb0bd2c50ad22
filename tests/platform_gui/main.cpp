// Test entry: the window tests need a running application object.
#include <QFont>
#include <gtest/gtest.h>

#include "platform/gui/application.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    app.setApplicationName("Tockwell");
    app.setFont(QFont("DejaVu Sans", 9));
    return RUN_ALL_TESTS();
}
