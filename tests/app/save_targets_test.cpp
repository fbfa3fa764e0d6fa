// Every file zefhost writes (an export, a saved scene) over the targets a user may
// give: a symbolic link, a file with a hard link, a FIFO, a device, a writable file in
// a folder that takes no new file, a folder with an unrelated OUT.part, and a size
// limit that stops the write. Each is run as a user would run zefhost.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "app/command_line.h"
#include "app/zefhost_session.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

struct HostRun {
    int code;
    std::string out, err;
};

enum class Writer { Export, SaveScene };

// Writes path the way the writer does: an export of the demo scene, or the demo scene
// saved by the utility.
HostRun write(Writer writer, const std::string& path) {
    std::vector<std::string> args{"--plugin", ZEF_PLUGIN_PATH};
    if (writer == Writer::Export)
        args.insert(args.end(), {"export", path});
    else
        args.insert(args.end(), {"utility", "--no-apply", "--save", path});
    std::ostringstream out, err;
    int code = runZefhost(args, out, err);
    return {code, out.str(), err.str()};
}

// What a complete write puts in a file: ZEF's first line, or a JSON scene.
bool looksComplete(Writer writer, const std::string& text) {
    if (writer == Writer::Export) return text.rfind("ZEF File", 0) == 0 && text.back() == '\n';
    return !text.empty() && text.front() == '{' &&
           text.find_last_not_of("\n") != std::string::npos &&
           text[text.find_last_not_of("\n")] == '}';
}

class SaveTargetTest : public ::testing::TestWithParam<Writer> {
  protected:
    void SetUp() override { fs::permissions(dir, fs::perms(0755)); }
    // The scratch folder goes with the fixture, once it can be emptied.
    void TearDown() override { fs::permissions(dir, fs::perms(0755)); }
    // A file in the scratch folder. The tests' names end in ".json", so a scene is
    // saved in the kit's own format (an export takes any name).
    std::string path(const char* name) { return (dir / name).string(); }
    Writer writer() const { return GetParam(); }
    ScratchFolder scratch{"zef_targets"};
    const fs::path& dir = scratch.dir();
};

} // namespace

TEST_P(SaveTargetTest, SymbolicLinkStaysALinkToTheNewContents) {
    fs::create_directories(dir / "real");
    std::ofstream(dir / "real" / "out.json") << "old";
    fs::create_symlink("real/out.json", dir / "link.json"); // relative, as users make them
    HostRun run = write(writer(), path("link.json"));
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_EQ(fs::read_symlink(dir / "link.json"), "real/out.json");
    EXPECT_TRUE(looksComplete(writer(), readWholeFile(dir / "real" / "out.json")));
    EXPECT_EQ(namesIn(dir / "real"), std::set<std::string>{"out.json"});

    fs::create_symlink("real/new.json", dir / "dangling.json"); // a link to a file still to be made
    ASSERT_EQ(write(writer(), path("dangling.json")).code, kExitOk);
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.json"));
    EXPECT_TRUE(looksComplete(writer(), readWholeFile(dir / "real" / "new.json")));
}

TEST_P(SaveTargetTest, ReplacedFileKeepsItsModeAndAHardLinkedOneIsWrittenInPlace) {
    std::ofstream(path("private.json")) << "old";
    fs::permissions(path("private.json"), fs::perms(0600));
    ASSERT_EQ(write(writer(), path("private.json")).code, kExitOk);
    EXPECT_EQ(fs::status(path("private.json")).permissions(), fs::perms(0600));
    EXPECT_TRUE(looksComplete(writer(), readWholeFile(path("private.json"))));

    std::ofstream(path("linked.json")) << "old";
    fs::permissions(path("linked.json"), fs::perms(0600));
    fs::create_hard_link(path("linked.json"), path("other name.json"));
    struct stat before;
    ASSERT_EQ(stat(path("linked.json").c_str(), &before), 0);
    ASSERT_EQ(write(writer(), path("linked.json")).code, kExitOk);
    struct stat after;
    ASSERT_EQ(stat(path("linked.json").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // the same file, so both names see the new text
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_TRUE(looksComplete(writer(), readWholeFile(path("other name.json"))));
}

TEST_P(SaveTargetTest, NewFileGetsTheUsualPermissions) {
    mode_t previous = umask(027);
    HostRun run = write(writer(), path("new.json"));
    umask(previous);
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_EQ(fs::status(path("new.json")).permissions(), fs::perms(0640)); // 0666 less the umask
}

TEST_P(SaveTargetTest, FifoWithAReaderGetsEverythingAndStaysAFifo) {
    ASSERT_EQ(mkfifo(path("fifo.json").c_str(), 0644), 0);
    std::string received;
    std::thread reader([&] { received = readWholeFile(path("fifo.json")); });
    HostRun run = write(writer(), path("fifo.json"));
    reader.join();
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_TRUE(fs::is_fifo(path("fifo.json")));
    EXPECT_TRUE(looksComplete(writer(), received));
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"fifo.json"});
}

TEST_P(SaveTargetTest, CharacterDeviceIsWrittenNotReplaced) {
    // A private null device in the scratch folder, never the system's own.
    if (mknod(path("null.json").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here (needs root)";
    HostRun run = write(writer(), path("null.json"));
    ASSERT_EQ(run.code, kExitOk) << run.err;
    struct stat status;
    ASSERT_EQ(stat(path("null.json").c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(status.st_rdev, makedev(1, 3));
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"null.json"});
}

TEST_P(SaveTargetTest, WritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
    std::ofstream(path("shared.json")) << "old";
    fs::permissions(path("shared.json"), fs::perms(0666));
    if (geteuid() != 0) fs::permissions(dir, fs::perms(0555));
    pid_t child = fork();
    if (child == 0) {
        // As root the folder (root's, 0755) takes no new file from nobody.
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(77);
        HostRun run = write(writer(), path("shared.json"));
        HostRun fresh = write(writer(), path("fresh.json")); // no file to write in place
        _exit(run.code == kExitOk && fresh.code == kExitFailed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot become nobody";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(looksComplete(writer(), readWholeFile(path("shared.json"))));
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"shared.json"});
}

TEST_P(SaveTargetTest, UnrelatedPartFileIsLeftAlone) {
    std::ofstream(path("out.json.part")) << "the user's own notes";
    ASSERT_EQ(write(writer(), path("out.json")).code, kExitOk);
    EXPECT_EQ(readWholeFile(path("out.json.part")), "the user's own notes");
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"out.json", "out.json.part"}));
}

// zefhost itself (not in-process) under `ulimit -f 4`: the write fails, the process
// is not killed, and the old file is kept with no temporary beside it.
TEST_P(SaveTargetTest, SizeLimitFailsTheWriteAndKeepsTheOldFile) {
    std::ofstream(path("out.json")) << "old";
    const std::string errFile = dir.string() + ".err";
    std::string command =
        std::string("ulimit -f 4; exec '") + ZEFHOST_PATH + "' " +
        (writer() == Writer::Export ? "export '" : "utility --no-apply --save '") +
        path("out.json") + "' 2>'" + errFile + "' >/dev/null";
    int status = std::system(("sh -c \"" + command + "\"").c_str());
    std::string err = readWholeFile(errFile);
    fs::remove(errFile);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal";
    EXPECT_EQ(WEXITSTATUS(status), kExitFailed) << err;
    const char* message =
        writer() == Writer::Export ? "Write error on file" : "cannot write the file";
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_EQ(readWholeFile(path("out.json")), "old");
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"out.json"});
}

std::string writerName(const ::testing::TestParamInfo<Writer>& test) {
    return test.param == Writer::Export ? "Export" : "SceneSave";
}

INSTANTIATE_TEST_SUITE_P(ExportAndSceneSave, SaveTargetTest,
                         ::testing::Values(Writer::Export, Writer::SaveScene), writerName);
