// Careful saving on its own: what the folder holds while a save is open, after a
// discarded or failed one, and what a replaced file keeps.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "export/safe_save.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

// Saves text to target; false when open or commit failed.
bool save(const std::string& target, const std::string& text) {
    SafeSave file;
    if (!file.open(target, SaveMode::Binary)) return false;
    std::fwrite(text.data(), 1, text.size(), file.stream());
    return file.commit();
}

class SafeSaveTest : public ::testing::Test {
  protected:
    void SetUp() override { target = (dir / "out").string(); }
    ScratchFolder scratch{"zef_safe_save"};
    const fs::path& dir = scratch.dir();
    std::string target;
};

} // namespace

TEST_F(SafeSaveTest, OpenSaveLeavesNoNameBehindUntilCommit) {
    std::ofstream(target) << "old";
    {
        SafeSave file;
        ASSERT_TRUE(file.open(target, SaveMode::Binary));
        std::fputs("new", file.stream());
        std::fflush(file.stream());
        // An unnamed temporary: a process killed now leaves nothing in the folder.
        EXPECT_EQ(namesIn(dir), std::set<std::string>{"out"});
        EXPECT_EQ(readWholeFile(target), "old");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readWholeFile(target), "new");
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"out"});
}

TEST_F(SafeSaveTest, DiscardKeepsTheOldFile) {
    std::ofstream(target) << "old";
    {
        SafeSave file;
        ASSERT_TRUE(file.open(target, SaveMode::Binary));
        std::fputs("half", file.stream());
    } // not committed
    EXPECT_EQ(readWholeFile(target), "old");
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"out"});
}

TEST_F(SafeSaveTest, FolderMissingOrTargetAFolderCannotBeOpened) {
    SafeSave file;
    EXPECT_FALSE(file.open((dir / "missing" / "out").string(), SaveMode::Text));
    EXPECT_FALSE(file.open(dir.string(), SaveMode::Text));
    EXPECT_FALSE(file.open("", SaveMode::Text));
    EXPECT_EQ(file.stream(), nullptr);
}

TEST_F(SafeSaveTest, ReplacedFileKeepsItsOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
    std::ofstream(target) << "old";
    ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(save(target, "new"));
    struct stat status;
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 65534u);
    EXPECT_EQ(readWholeFile(target), "new");
}

// A save in a child whose files may not grow past 4 bytes; the child's exit code
// tells whether commit reported the failure.
static bool commitFailsUnderSizeLimit(const std::string& target) {
    pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4, 4};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(save(target, std::string(100000, 'x')) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SafeSaveTest, FailedWriteKeepsTheOldFileOrAtLeastTheTargetWrittenInPlace) {
    std::ofstream(target) << "old";
    EXPECT_TRUE(commitFailsUnderSizeLimit(target));
    EXPECT_EQ(readWholeFile(target), "old");
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"out"});

    fs::create_hard_link(target, dir / "second");
    EXPECT_TRUE(commitFailsUnderSizeLimit(target));
    EXPECT_TRUE(fs::exists(target)); // written in place: torn, but never deleted
    EXPECT_EQ(fs::hard_link_count(target), 2u);
}

// The disk is asked to follow a long save in steps, each request from where the last
// ended, and never for a target written in place, where commit does not wait for it.
TEST_F(SafeSaveTest, WritebackIsAskedForInStepsOnlyWhereCommitWaits) {
    const std::string step(size_t(SafeSave::kWritebackStep), 'x');
    {
        SafeSave file;
        ASSERT_TRUE(file.open(target, SaveMode::Binary));
        std::fwrite(step.data(), 1, step.size() - 1, file.stream());
        std::fflush(file.stream());
        EXPECT_FALSE(file.startWriteback()); // one byte short of a step
        std::fputc('y', file.stream());
        std::fflush(file.stream());
        EXPECT_TRUE(file.startWriteback());
        EXPECT_FALSE(file.startWriteback()); // nothing new since
        std::fwrite(step.data(), 1, step.size(), file.stream());
        std::fflush(file.stream());
        EXPECT_TRUE(file.startWriteback());
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(fs::file_size(target), 2 * step.size());

    fs::create_hard_link(target, dir / "second"); // written in place from now on
    SafeSave file;
    ASSERT_TRUE(file.open(target, SaveMode::Binary));
    ASSERT_TRUE(file.writesInPlace());
    std::fwrite(step.data(), 1, step.size(), file.stream());
    std::fflush(file.stream());
    EXPECT_FALSE(file.startWriteback());
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(readWholeFile(dir / "second"), step);
}
