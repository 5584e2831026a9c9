#pragma once
// The real program as a child process of the test: started in a folder of
// the test's choosing, with its standard error kept in a file.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace gametest {

inline bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Program {
  public:
    // Runs `exe` with `args` in `folder`; its standard error goes to
    // `errorFile`, its standard output to `outputFile` and its DISPLAY is
    // `display` when they are given.
    Program(const std::filesystem::path& folder, const char* exe,
            const std::filesystem::path& errorFile = {}, const std::string& display = {},
            const std::vector<std::string>& args = {},
            const std::filesystem::path& outputFile = {}) {
        std::vector<char*> argv{const_cast<char*>(exe)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(folder.c_str()) != 0) _exit(120);
            if (!errorFile.empty() && !freopen(errorFile.c_str(), "w", stderr)) _exit(122);
            if (!outputFile.empty() && !freopen(outputFile.c_str(), "w", stdout)) _exit(124);
            if (!display.empty() && setenv("DISPLAY", display.c_str(), 1) != 0) _exit(123);
            execv(exe, argv.data());
            _exit(121);
        }
    }
    ~Program() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return pid_ > 0; }
    // The exit code once the program has ended within the time (128 + the
    // signal when one ended it), else -1.
    int WaitExit(double seconds) {
        if (exited_) return status_;
        int status = 0;
        const bool ended =
            WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, seconds);
        if (!ended) return -1;
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = -1;
};

// How a program that ran to its end finished.
struct Finished {
    int code = -1; // as Program::WaitExit gives it
    std::string out, err;
};

// Runs `exe` with `args` in `folder` and waits (at most `seconds`) for it to end.
inline Finished
RunToEnd(const char* exe, const std::vector<std::string>& args,
         const std::filesystem::path& folder = std::filesystem::temp_directory_path(),
         double seconds = 120) {
    const auto base =
        std::filesystem::temp_directory_path() / ("quorvel-run-" + std::to_string(getpid()));
    const auto out = base.string() + ".out", err = base.string() + ".err";
    Finished finished;
    {
        Program program(folder, exe, err, {}, args, out);
        finished.code = program.WaitExit(seconds);
    }
    finished.out = ReadText(out);
    finished.err = ReadText(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return finished;
}

} // namespace gametest
