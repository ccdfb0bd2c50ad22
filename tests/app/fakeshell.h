#pragma once
// A stand-in for the desktop shell: records every target handed to it and answers with
// Result. Installed for its lifetime.

#include <string>
#include <vector>

#include "platform/shell.h"

class FakeShell {
public:
    FakeShell() {
        previous_ = SetShellOpener([this](const std::string& target) {
            Opened.push_back(target);
            return Result;
        });
    }
    ~FakeShell() { SetShellOpener(previous_); }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    std::vector<std::string> Opened;
    bool Result = true;

private:
    TShellOpener previous_;
};
