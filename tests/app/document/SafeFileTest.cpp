// Whole-file writes that never destroy the file they replace, and the little-endian fields.
#include "document/SafeFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <random>
#include <sys/wait.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace hummwell;

namespace {

using TempFolder = testsignals::TempFolder;

}  // namespace

TEST(SafeFile, WritesAndReadsTheWholeFile) {
    TempFolder dir;
    const std::string file = dir.path + "/take.bin";
    const std::vector<uint8_t> bytes{1, 2, 3, 0, 255};
    ASSERT_TRUE(writeFileAtomically(file, bytes));
    EXPECT_EQ(readWholeFile(file), bytes);
    ASSERT_TRUE(writeFileAtomically(file, {9}));  // replaces, never appends
    EXPECT_EQ(readWholeFile(file), std::vector<uint8_t>{9});
    EXPECT_EQ(dir.entries().size(), 1u) << "no temporary file is left behind";
    EXPECT_FALSE(readWholeFile(dir.path + "/missing.bin").has_value());
}

TEST(SafeFile, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    TempFolder dir;
    const std::string file = dir.path + "/take.bin";
    ASSERT_TRUE(writeFileAtomically(file, {7, 7, 7}));
    // A folder standing where the target is cannot be replaced by a file.
    const std::string blocked = dir.path + "/blocked";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    EXPECT_FALSE(writeFileAtomically(blocked, {1}));
    EXPECT_FALSE(writeFileAtomically(dir.path + "/no/such/folder.bin", {1}));
    EXPECT_FALSE(writeFileAtomically("", {1}));
    EXPECT_EQ(readWholeFile(file), (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_EQ(dir.entries().size(), 2u) << "the file and the folder, no temporary";
}

TEST(SafeFile, AReplacedFileKeepsItsPermissions) {
    TempFolder dir;
    const std::string file = dir.path + "/shared.bin";
    ASSERT_TRUE(writeFileAtomically(file, {1}));
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "not the temporary's private mode";
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    ASSERT_TRUE(writeFileAtomically(file, {2}));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST(SafeFile, FieldsAreLittleEndian) {
    std::vector<uint8_t> out;
    putInt32(out, -2);
    putInt32(out, 0x01020304);
    putDouble(out, 1.0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 0, 0, 0, 0, 0, 0,
                                         0xF0, 0x3F}));
    EXPECT_EQ(getInt32(out.data()), -2);
    EXPECT_EQ(getInt32(out.data() + 4), 0x01020304);
    EXPECT_EQ(getDouble(out.data() + 8), 1.0);
}

// A link to the file is kept and the file it names replaced; a link whose own target does not
// exist yet gets that file; a relative link is read from its own folder.
TEST(SafeFile, WritesThroughASymbolicLinkAndKeepsIt) {
    testsignals::TempFolder dir;
    ASSERT_EQ(::mkdir((dir.path + "/real").c_str(), 0755), 0);
    const std::string target = dir.path + "/real/song.mid";
    ASSERT_TRUE(writeFileAtomically(target, {1, 2, 3}));
    const std::string link = dir.path + "/song.mid";
    ASSERT_EQ(::symlink("real/song.mid", link.c_str()), 0);

    ASSERT_TRUE(writeFileAtomically(link, {4, 5}));
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readWholeFile(target), (std::vector<uint8_t>{4, 5}));

    const std::string dangling = dir.path + "/new.mid";
    ASSERT_EQ(::symlink((dir.path + "/real/new.mid").c_str(), dangling.c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(dangling, {7}));
    EXPECT_EQ(readWholeFile(dir.path + "/real/new.mid"), std::vector<uint8_t>{7});
}

TEST(SafeFile, AFailureSaysWhyInTheSystemsWords) {
    testsignals::TempFolder dir;
    std::string reason;
    EXPECT_FALSE(writeFileAtomically(dir.path + "/missing/x.bin", {1}, &reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(writeFileAtomically(dir.path, {1}, &reason));  // a folder stands there
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_EQ(failedToOpenMessage(reason), "Failed to Open File. Is a directory");
    EXPECT_EQ(failedToOpenMessage(""), "Failed to Open File.");
}

// Every name of a file with several hard links sees what is saved through one of them, larger
// or smaller than before, and no temporary file is left.
TEST(SafeFile, AFileWithOtherHardLinksIsOverwrittenInPlace) {
    testsignals::TempFolder dir;
    const std::string first = dir.path + "/take.hwp", second = dir.path + "/backup.hwp";
    ASSERT_TRUE(writeFileAtomically(first, {1, 2, 3}));
    ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(second, {4, 5, 6, 7, 8}));
    EXPECT_EQ(readWholeFile(first), (std::vector<uint8_t>{4, 5, 6, 7, 8}));
    ASSERT_TRUE(writeFileAtomically(first, {9}));
    EXPECT_EQ(readWholeFile(second), std::vector<uint8_t>{9});
    struct stat a, b;
    ASSERT_EQ(::stat(first.c_str(), &a), 0);
    ASSERT_EQ(::stat(second.c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(a.st_nlink, 2u);
    EXPECT_EQ(dir.entries().size(), 2u);
}

TEST(SafeFile, ReadersOpenOnlyRegularFilesAndNeverWaitOnAPipe) {
    TempFolder dir;
    const std::string pipe = dir.path + "/pipe.hwp";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : {Case{pipe, "is not a regular file (a pipe, a device or a socket)"},
                          Case{"/dev/zero", "is not a regular file (a pipe, a device or a socket)"},
                          Case{dir.path, "is a folder"},
                          Case{dir.path + "/missing.hwp", "No such file or directory"}}) {
        std::string reason;
        EXPECT_FALSE(readWholeFile(c.path, kReadLimitBytes, &reason).has_value()) << c.path;
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(openRegularFile(c.path), -1);
    }
}

TEST(SafeFile, AFileLargerThanItsKindHoldsIsRefusedUnread) {
    TempFolder dir;
    const std::string big = dir.path + "/big.mid";
    ASSERT_TRUE(writeFileAtomically(big, {1, 2, 3}));
    ASSERT_EQ(::truncate(big.c_str(), 1'400'000'000), 0);  // sparse: no disk is used
    std::string reason;
    EXPECT_FALSE(readWholeFile(big, 16'000'000, &reason).has_value());
    EXPECT_EQ(reason, "is 1.4 GB; a file of this kind is read up to 16.0 MB");
    // Exactly at the limit is fine.
    ASSERT_EQ(::truncate(big.c_str(), 1000), 0);
    EXPECT_EQ(readWholeFile(big, 1000)->size(), 1000u);
    EXPECT_FALSE(readWholeFile(big, 999).has_value());
}

TEST(SafeFile, WhatAKilledSaveLeftIsRemovedByTheNextSaveOfThatFile) {
    TempFolder dir;
    const std::string file = dir.path + "/take.hwp";
    for (const char* name : {".take.hwp.saving-Ab3xYz", ".take.hwp.saving-longer1", ".other.hwp.saving-Ab3xYz", "take.hwp.saving-Ab3xYz"})
        ASSERT_TRUE(writeFileAtomically(dir.path + "/" + name, {1}));
    ASSERT_TRUE(writeFileAtomically(file, {2}));
    std::vector<std::string> left = dir.entries();
    std::sort(left.begin(), left.end());
    // Only names of exactly our pattern for this file go: nothing of anyone else's.
    EXPECT_EQ(left, (std::vector<std::string>{".other.hwp.saving-Ab3xYz", ".take.hwp.saving-longer1", "take.hwp",
                                              "take.hwp.saving-Ab3xYz"}));
}

// Saves killed at random moments, a hundred times: the file is always whole, old or new.
// Killed in the moment between naming the new contents and renaming them, a save leaves that
// one name, which the next save removes: after it, nothing is beside the file.
TEST(SafeFile, SavesKilledAtAnyMomentLeaveTheFileWholeAndNothingBesideIt) {
    TempFolder dir;
    const std::string file = dir.path + "/take.hwp";
    std::vector<uint8_t> one(900'000, 1), two(900'000, 2);  // a full track's size
    ASSERT_TRUE(writeFileAtomically(file, one));
    std::mt19937 rng(11);
    for (int kill = 0; kill < 100; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) writeFileAtomically(file, i % 2 ? one : two);
        }
        ::usleep(500 + rng() % 20000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::optional<std::vector<uint8_t>> now = readWholeFile(file);
        ASSERT_TRUE(now.has_value());
        ASSERT_TRUE(*now == one || *now == two) << "kill " << kill;
        std::vector<std::string> beside = dir.entries();
        beside.erase(std::remove(beside.begin(), beside.end(), "take.hwp"), beside.end());
        ASSERT_LE(beside.size(), 1u) << "kill " << kill;
        for (const std::string& name : beside) EXPECT_EQ(name.rfind(".take.hwp.saving-", 0), 0u) << name;
    }
    ASSERT_TRUE(writeFileAtomically(file, one));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"take.hwp"});
}
