#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/core.h"
#include "stream_test_files.h"

using namespace core;

namespace {

std::string WorkingDir() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

class FileSystemTest : public ::testing::Test {
  protected:
    ScratchDir dir;
};

} // namespace

TEST(FullPath, NormalisesComponentsAndNeverLeavesTheRoot) {
    EXPECT_EQ(FullPath("/a/./b/../c"), "/a/c");
    EXPECT_EQ(FullPath("//a///b/"), "/a/b");
    EXPECT_EQ(FullPath("/"), "/");
    EXPECT_EQ(FullPath("/../.."), "/");
    EXPECT_EQ(FullPath("/a/../../b"), "/b");
    EXPECT_EQ(FullPath("\\data\\media\\.\\ooze.tnb"), "/data/media/ooze.tnb");
    EXPECT_EQ(FullPath("/a/b/.."), "/a");
}

TEST(FullPath, RelativePathsStartAtTheWorkingDirectory) {
    std::string cwd = WorkingDir();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(FullPath("media/rock.tnz"), (cwd == "/" ? "" : cwd) + "/media/rock.tnz");
    EXPECT_EQ(FullPath(""), cwd);
    EXPECT_EQ(FullPath("."), cwd);
    std::string parent = cwd.substr(0, cwd.rfind('/'));
    EXPECT_EQ(FullPath("x/../.."), parent.empty() ? "/" : parent);
}

TEST(PathWithoutExt, CutsOnlyAnExtensionOfTheLastComponent) {
    EXPECT_EQ(PathWithoutExt("/data/media/ooze.tnb"), "/data/media/ooze");
    EXPECT_EQ(PathWithoutExt("archive.tar.gz"), "archive.tar");
    EXPECT_EQ(PathWithoutExt("media/ooze"), "media/ooze");
    EXPECT_EQ(PathWithoutExt("dir.d/file"), "dir.d/file");
    EXPECT_EQ(PathWithoutExt("dir.d\\file"), "dir.d/file");
    EXPECT_EQ(PathWithoutExt("a\\b.png"), "a/b");
    EXPECT_EQ(PathWithoutExt("trailing."), "trailing");
    EXPECT_EQ(PathWithoutExt(""), "");
}

TEST_F(FileSystemTest, PathKindTellsNothingFileAndDirectory) {
    WriteWholeFile(dir.Path("f"), "x");
    EXPECT_EQ(PathKind(dir.Path("f")), 1);
    EXPECT_EQ(PathKind(dir.Root()), 2);
    EXPECT_EQ(PathKind(dir.Path("none")), 0);
    EXPECT_EQ(PathKind(dir.Root() + "\\f"), 1);
    ASSERT_EQ(symlink(dir.Path("none").c_str(), dir.Path("dangling").c_str()), 0);
    EXPECT_EQ(PathKind(dir.Path("dangling")), 0);
}

TEST_F(FileSystemTest, CreateEmptyFileReplacesFilesButNotDirectories) {
    std::string path = dir.Path("e");
    WriteWholeFile(path, "old content");
    EXPECT_EQ(CreateEmptyFile(path), 1);
    EXPECT_EQ(PathKind(path), 1);
    EXPECT_EQ(ReadWholeFile(path), "");
    EXPECT_EQ(CreateEmptyFile(dir.Path("fresh")), 1);
    EXPECT_EQ(CreateEmptyFile(dir.Path("no/such/place")), 0);

    ASSERT_EQ(mkdir(dir.Path("d").c_str(), 0750), 0);
    EXPECT_EQ(CreateEmptyFile(dir.Path("d")), 0);
    EXPECT_EQ(PathKind(dir.Path("d")), 2);
}

TEST_F(FileSystemTest, RemoveFileRemovesFilesAndLeavesDirectoriesIntact) {
    std::string path = dir.Path("r");
    WriteWholeFile(path, "x");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(RemoveFile(path), 1);
    EXPECT_EQ(PathKind(path), 0);
    EXPECT_EQ(RemoveFile(path), 1); // nothing there is what was asked for

    ASSERT_EQ(symlink(dir.Path("gone").c_str(), dir.Path("link").c_str()), 0);
    EXPECT_EQ(RemoveFile(dir.Path("link")), 1);
    struct stat info;
    EXPECT_NE(lstat(dir.Path("link").c_str(), &info), 0);

    // An empty directory is not a file: it stays, with its mode.
    std::string sub = dir.Path("sub");
    ASSERT_EQ(mkdir(sub.c_str(), 0750), 0);
    EXPECT_EQ(RemoveFile(sub), 0);
    ASSERT_EQ(stat(sub.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
}

TEST_F(FileSystemTest, DuplicateFileCopiesInBlocksAndReplacesTarget) {
    std::string content;
    for (int i = 0; i < 10000; ++i) content.push_back(static_cast<char>(i * 7));
    WriteWholeFile(dir.Path("src"), content);
    WriteWholeFile(dir.Path("dst"), std::string(20000, 'z'));
    EXPECT_EQ(DuplicateFile(dir.Path("src"), dir.Path("dst")), 1);
    EXPECT_EQ(ReadWholeFile(dir.Path("dst")), content);

    WriteWholeFile(dir.Path("empty"), "");
    EXPECT_EQ(DuplicateFile(dir.Path("empty"), dir.Root() + "\\copy"), 1);
    EXPECT_EQ(PathKind(dir.Path("copy")), 1);
    EXPECT_EQ(ReadWholeFile(dir.Path("copy")), "");
}

TEST_F(FileSystemTest, DuplicateFileFailuresLoseNothing) {
    WriteWholeFile(dir.Path("src"), "source");
    WriteWholeFile(dir.Path("dst"), "keep me");

    // A missing source leaves the target as it was.
    EXPECT_EQ(DuplicateFile(dir.Path("missing"), dir.Path("dst")), 0);
    EXPECT_EQ(ReadWholeFile(dir.Path("dst")), "keep me");
    EXPECT_EQ(DuplicateFile(dir.Root(), dir.Path("dst")), 0);
    EXPECT_EQ(ReadWholeFile(dir.Path("dst")), "keep me");

    // A file copied onto itself (under another spelling, or a hard link)
    // keeps its content.
    EXPECT_EQ(DuplicateFile(dir.Path("src"), dir.Root() + "/./src"), 0);
    ASSERT_EQ(link(dir.Path("src").c_str(), dir.Path("hard").c_str()), 0);
    EXPECT_EQ(DuplicateFile(dir.Path("hard"), dir.Path("src")), 0);
    EXPECT_EQ(ReadWholeFile(dir.Path("src")), "source");

    EXPECT_EQ(DuplicateFile(dir.Path("src"), dir.Path("no/such/dir")), 0);
    EXPECT_EQ(DuplicateFile(dir.Path("src"), dir.Root()), 0);
    // A target that cannot take the bytes is a failed copy, not a success.
    EXPECT_EQ(DuplicateFile(dir.Path("src"), "/dev/full"), 0);
}
