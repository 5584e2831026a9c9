// The program's options: how they are read, and what the real program does
// with them when no display is needed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/command_line.h"
#include "program.h"

using namespace game;
using gametest::RunToEnd;

namespace {

using Args = std::vector<std::string>;

// The message ParseCommandLine gives, or "" when it accepts the arguments.
std::string ErrorOf(const Args& args) {
    try {
        ParseCommandLine(args);
        return "";
    } catch (const CommandLineError& e) {
        return e.what();
    }
}

// A folder of the test's own, emptied first.
std::filesystem::path Folder(const std::string& name) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("quorvel-cli-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(CommandLine, NoArgumentsIsPlainPlay) {
    const CommandLine line = ParseCommandLine({});
    EXPECT_EQ(line.mode, CommandLine::Play);
    EXPECT_FALSE(line.headless);
    EXPECT_EQ(line.file, "");
}

TEST(CommandLine, RecordAndReplayTakeTheirFile) {
    CommandLine line = ParseCommandLine({"--record", "game.qrec"});
    EXPECT_EQ(line.mode, CommandLine::Record);
    EXPECT_EQ(line.file, "game.qrec");
    EXPECT_FALSE(line.headless);
    for (const Args& args :
         {Args{"--replay", "a b.qrec", "--headless"}, Args{"--headless", "--replay", "a b.qrec"}}) {
        line = ParseCommandLine(args);
        EXPECT_EQ(line.mode, CommandLine::Replay);
        EXPECT_EQ(line.file, "a b.qrec");
        EXPECT_TRUE(line.headless);
    }
    // A file named like a short option is still a file.
    EXPECT_EQ(ParseCommandLine({"--replay", "-"}).file, "-");
}

TEST(CommandLine, HostAndJoinTakeTheirAddressOrRoom) {
    CommandLine line = ParseCommandLine({"--host"});
    EXPECT_EQ(line.online, CommandLine::Host);
    EXPECT_EQ(line.target, "");
    EXPECT_FALSE(line.viaRelay);
    line = ParseCommandLine({"--host", "127.0.0.1:9000", "--record", "g.qrec"});
    EXPECT_EQ(line.target, "127.0.0.1:9000");
    EXPECT_EQ(line.mode, CommandLine::Record);
    line = ParseCommandLine({"--relay", "127.0.0.1", "--join", "K7X2QD", "--input-delay", "6"});
    EXPECT_EQ(line.online, CommandLine::Join);
    EXPECT_EQ(line.target, "K7X2QD");
    EXPECT_TRUE(line.viaRelay);
    EXPECT_EQ(line.relay, "127.0.0.1");
    EXPECT_EQ(line.inputDelay, 6);
    line = ParseCommandLine({"--join", "h:1", "--bot", "b.qrec", "--headless", "--unpaced"});
    EXPECT_EQ(line.bot, "b.qrec");
    EXPECT_TRUE(line.headless);
    EXPECT_TRUE(line.unpaced);
}

TEST(CommandLine, HelpWinsWherever) {
    for (const Args& args :
         {Args{"--help"}, Args{"-h"}, Args{"--record", "f", "--help"}, Args{"--bogus", "--help"}})
        EXPECT_EQ(ParseCommandLine(args).mode, CommandLine::Help);
    EXPECT_NE(UsageText().find("--replay FILE --headless"), std::string::npos);
    EXPECT_TRUE(ParseCommandLine({"--replay", "f", "--headless", "--hashes"}).hashes);
}

TEST(CommandLine, NonsenseIsRefusedWithAReason) {
    const std::pair<Args, const char*> cases[] = {
        {{"--record"}, "--record needs a file name"},
        {{"--replay", ""}, "--replay needs a file name"},
        {{"--record", "--headless"}, "--record needs a file name"},
        {{"--record", "a", "--replay", "b"}, "cannot be used together"},
        {{"--replay", "a", "--record", "b"}, "cannot be used together"},
        {{"--replay", "a", "--replay", "b"}, "--replay is given twice"},
        {{"--record", "a", "--record", "b"}, "--record is given twice"},
        {{"--headless"}, "--headless works only with --replay"},
        {{"--record", "f", "--headless"}, "--headless works only with --replay"},
        {{"--host", "--headless"}, "--headless works only with --replay, or online with --bot"},
        {{"--host", "--join", "x"}, "--host and --join cannot be used together"},
        {{"--join", "a", "--join", "b"}, "--join is given twice"},
        {{"--join"}, "--join needs an address"},
        {{"--join", "--relay", "r"}, "--join needs an address"},
        {{"--relay", "r", "--host", "--join", "x"}, "cannot be used together"},
        {{"--relay", "r", "--replay", "f"}, "--relay cannot be used with --replay"},
        {{"--replay", "f", "--hashes"}, "--hashes works only with --replay and --headless"},
        {{"--bot", "f.qrec"}, "--bot works only with --host or --join"},
        {{"--host", "--relay"}, "--relay needs an address"},
        {{"--host", "--replay", "f"}, "--replay cannot be used with --host or --join"},
        {{"--host", "--input-delay", "0"}, "from 1 to 30"},
        {{"--host", "--input-delay", "31"}, "from 1 to 30"},
        {{"--host", "--input-delay", "4x"}, "from 1 to 30"},
        {{"--host", "--bot", "f", "--unpaced"}, "--unpaced works only with --headless"},
        {{"--replay", "f", "--headless", "--headless"}, "--headless is given twice"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"game.qrec"}, "unexpected argument \"game.qrec\""},
        {{"--replay", "f", "extra"}, "unexpected argument \"extra\""},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        EXPECT_NE(ErrorOf(args).find(message), std::string::npos) << ErrorOf(args);
    }
}

// The real program; none of these cases opens a window.
TEST(CommandLineProgram, HelpGoesToStdoutWithCodeZero) {
    const auto run = RunToEnd(QUORVEL_GAME_EXE, {"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, UsageText());
    EXPECT_EQ(run.err, "");
}

TEST(CommandLineProgram, UsageErrorsGoToStderrWithCodeTwo) {
    for (const Args& args : {Args{"--bogus"}, Args{"--headless"}, Args{"--record"}}) {
        const auto run = RunToEnd(QUORVEL_GAME_EXE, args);
        EXPECT_EQ(run.code, USAGE_EXIT_CODE) << args[0];
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("quorvel: " + ErrorOf(args)), std::string::npos) << run.err;
    }
}

TEST(CommandLineProgram, BadRecordingsAreReportedAndFail) {
    const auto folder = Folder("bad");
    Write(folder / "damaged.qrec", "quorvel-recording 1\nseed 1\n5 click 1\n");
    Write(folder / "newer.qrec", "quorvel-recording 7\nseed 1\n");
    const std::pair<std::string, const char*> cases[] = {
        {"missing.qrec", "cannot be opened"},
        {"damaged.qrec", "damaged.qrec line 3"},
        {"newer.qrec", "version 7"},
    };
    for (const auto& [file, message] : cases)
        for (const bool headless : {true, false}) {
            SCOPED_TRACE(file + (headless ? " headless" : " in a window"));
            Args args{"--replay", file};
            if (headless) args.push_back("--headless");
            // A relative name is taken from the folder the program starts in.
            const auto run = RunToEnd(QUORVEL_GAME_EXE, args, folder);
            EXPECT_NE(run.code, 0);
            EXPECT_NE(run.code, -1) << "the program did not end";
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        }
    std::filesystem::remove_all(folder);
}

TEST(CommandLineProgram, RecordingToAnUnwritablePlaceFailsBeforePlay) {
    const auto run = RunToEnd(QUORVEL_GAME_EXE, {"--record", "/nonexistent-folder/g.qrec"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("cannot record to"), std::string::npos) << run.err;
}

TEST(CommandLineProgram, HeadlessReplayFromTheLaunchFolderPrintsTheOutcome) {
    const auto folder = Folder("replay");
    Write(folder / "short.qrec", "quorvel-recording 1\nseed 4660\n2 newgame\n30 end\n");
    const auto run = RunToEnd(QUORVEL_GAME_EXE, {"--replay", "short.qrec", "--headless"}, folder);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("scores 0 0\nturn 0\nticks 30\nhash ", 0), 0u) << run.out;
    EXPECT_EQ(run.out.size(), std::string("scores 0 0\nturn 0\nticks 30\nhash \n").size() + 16);
    std::filesystem::remove_all(folder);
}
