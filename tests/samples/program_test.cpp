// The program's own answers on the command line: which stream the usage goes
// to and how the program exits, which only running it can show.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "samples/command_line.h"

namespace {

struct ShellResult {
    std::string out; // what the shell command wrote to its stdout
    int exitCode = -1;
};

// Runs `command` through the shell; its stderr goes where the command says.
ShellResult RunShell(const std::string& command) {
    ShellResult run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string kProgram = QUORVEL_SAMPLES_EXE;

TEST(ProgramCommandLine, HelpPrintsTheUsageOnStdoutAndSucceeds) {
    for (const char* flag : {"--help", "-h"}) {
        const ShellResult stdoutOnly = RunShell(kProgram + " " + flag + " 2>/dev/null");
        EXPECT_EQ(stdoutOnly.exitCode, 0) << flag;
        EXPECT_EQ(stdoutOnly.out, samples::Usage()) << flag;
        const ShellResult stderrOnly = RunShell(kProgram + " " + flag + " 2>&1 >/dev/null");
        EXPECT_EQ(stderrOnly.out, "") << flag;
    }
}

TEST(ProgramCommandLine, AWrongArgumentPrintsTheErrorAndUsageOnStderrAndFails) {
    const ShellResult stderrOnly = RunShell(kProgram + " --bogus 2>&1 >/dev/null");
    EXPECT_NE(stderrOnly.exitCode, 0);
    EXPECT_NE(stderrOnly.out.find("unexpected argument \"--bogus\""), std::string::npos)
        << stderrOnly.out;
    EXPECT_NE(stderrOnly.out.find(samples::Usage()), std::string::npos) << stderrOnly.out;
    const ShellResult stdoutOnly = RunShell(kProgram + " --bogus 2>/dev/null");
    EXPECT_EQ(stdoutOnly.out, "");
}

} // namespace
