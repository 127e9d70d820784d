// Whole-file writes that never destroy the file they replace, and the little-endian fields.
#include "document/SafeFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <dirent.h>
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
