#include "smtptestserver.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/sysutils.h"
#include "testutil.h"

extern char** environ;

namespace fs = std::filesystem;

TTestSmtpServer::TTestSmtpServer(const std::string& folder, const std::string& user,
                                 const std::string& password)
    : folder_(folder) {
    int fds[2];
    if (pipe(fds) != 0) {
        why_ = "no pipe";
        return;
    }
    std::vector<std::string> args = {
        "/usr/bin/python3", SourcePath("tests/core/smtp_test_server.py"), "--folder", folder};
    if (!user.empty())
        args.insert(args.end(), {"--user", user, "--password", password});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        pid_ = 0;
        close(fds[0]);
        why_ = "/usr/bin/python3 cannot be started";
        return;
    }
    // The first line is the port, or why the server cannot run.
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (line.size() < 200 && poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(fds[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0)
        why_ = line.empty() ? "the server did not start" : line;
}

TTestSmtpServer::~TTestSmtpServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

std::string TTestSmtpServer::Field(int n, const std::string& name) const {
    std::string path = folder_ + "/" + Format("%03d", n) + "/" + name;
    return fs::exists(path) ? ReadFileBytes(path) : std::string();
}

int TTestSmtpServer::Received() const {
    int n = 0;
    while (fs::exists(folder_ + "/" + Format("%03d", n + 1)))
        ++n;
    return n;
}
