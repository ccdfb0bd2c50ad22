// Entry of every window test program: the tests need a running application object.
#include <QFont>
#include <gtest/gtest.h>

#include "guitestutil.h"
#include "platform/gui/application.h"
#include "testprogram.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// Drops the offscreen platform's notes on what it cannot do (window opacity, raise).
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith("This plugin does not support"))
        return;
    defaultHandler(type, context, message);
}

// Drops the answers to windows that a test set up and that never came (OnModal): they would
// answer a window of the next test run in the same program.
class TDropPendingAnswers : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override {
        if (!qApp)
            return;
        for (QObject* answer :
             qApp->findChildren<QObject*>(TestAnswerName, Qt::FindDirectChildrenOnly))
            delete answer;
    }
};

} // namespace

// The sound back end (GStreamer, PulseAudio, GLib) keeps allocations for the process's life.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse\nleak:libglib\nleak:libgstreamer\nleak:libgobject\n";
}

int main(int argc, char** argv) {
    return RunTestProgram(argc, argv, [&] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
            qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        defaultHandler = qInstallMessageHandler(QuietHandler);
        TApplication app(argc, argv);
        app.setApplicationName("Tockwell");
        app.setFont(QFont("DejaVu Sans", 9));
        testing::UnitTest::GetInstance()->listeners().Append(new TDropPendingAnswers);
        return RUN_ALL_TESTS();
    });
}
