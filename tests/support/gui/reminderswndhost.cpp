// The reminders window on a real X display, for the tests of where it shows. It takes
// commands on its standard input and answers each on its standard output (it ends when the
// input closes):
//   in:  "show" (as the program shows it: ShowAndActivate), "hide" (as closing it does),
//        "quit"
//   out: "ready" once it runs, then "done <command>" after each command.
#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

#include "core/windows/reminderswnd.h"

namespace {

void Say(const std::string& line) {
    std::fputs((line + '\n').c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TfrmRemindersWnd window;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command) || command == "quit") {
            app.quit();
            return;
        }
        if (command == "show")
            window.ShowAndActivate();
        else if (command == "hide")
            window.close();
        Say("done " + command);
    });
    Say("ready");
    return app.exec();
}
