#include "private_x_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace gametest {
namespace {

constexpr int START_TIMEOUT_MS = 20000;

// The display number the server writes to the pipe once it listens.
std::string ReadDisplayNumber(int fd) {
    std::string number;
    pollfd waiting{fd, POLLIN, 0};
    char c = 0;
    while (poll(&waiting, 1, START_TIMEOUT_MS) == 1 && read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    return c == '\n' ? number : std::string();
}

} // namespace

PrivateXServer::PrivateXServer(const std::vector<std::string>& extraArguments) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    const std::string fd = std::to_string(pipeFds[1]);
    std::vector<std::string> arguments = {"Xvfb", "-displayfd",   fd,          "-screen",
                                          "0",    "1280x1024x24", "-nolisten", "tcp"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    pid_ = fork();
    if (pid_ == 0) {
        close(pipeFds[0]);
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid_ > 0) {
        const std::string number = ReadDisplayNumber(pipeFds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    close(pipeFds[0]);
}

PrivateXServer::~PrivateXServer() { Stop(); }

void PrivateXServer::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    name_.clear();
}

} // namespace gametest
