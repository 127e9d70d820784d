#include "shell/Profile.h"
#include "shell/StartupOptions.h"

#include <gtest/gtest.h>

using namespace hummwell;

TEST(Profile, RecentFilesKeepTheLatestFourMostRecentFirst) {
    MemoryProfile profile;
    EXPECT_TRUE(profile.recentFiles().empty());
    for (const char* p : {"/a.hwp", "/b.hwp", "/c.hwp", "/d.hwp", "/e.hwp"}) profile.addRecentFile(p);
    EXPECT_EQ(profile.recentFiles(), (std::vector<std::string>{"/e.hwp", "/d.hwp", "/c.hwp", "/b.hwp"}));
    // A listed file moves up instead of appearing twice; the others keep their order.
    profile.addRecentFile("/c.hwp");
    EXPECT_EQ(profile.recentFiles(), (std::vector<std::string>{"/c.hwp", "/e.hwp", "/d.hwp", "/b.hwp"}));
    EXPECT_EQ(profile.readString(kRecentSection, "File1"), "/c.hwp");
    EXPECT_EQ(profile.readString(kRecentSection, "File5", "none"), "none");
}

TEST(StartupOptions, CommandLineFileIsTheFirstArgumentThatIsNotAnOption) {
    EXPECT_EQ(commandLineFile({}), "");
    EXPECT_EQ(commandLineFile({"--style", "-x"}), "");
    EXPECT_EQ(commandLineFile({"-v", "song.hwp", "other.hwp"}), "song.hwp");
    EXPECT_EQ(commandLineFile({"--", "-odd name.hwp"}), "-odd name.hwp");
    // Longer than any fixed buffer: kept whole, never cut to another file's name.
    const std::string longName = "/" + std::string(2000, 'x') + ".hwp";
    EXPECT_EQ(commandLineFile({longName}), longName);
}

TEST(StartupOptions, UserGuideFromTheInstallFolderThenBesideTheProgram) {
    const auto none = [](const std::string&) { return false; };
    const auto installed = [](const std::string& p) { return p == "/opt/hw/bin/../share/hummwell/hummwell.html"; };
    EXPECT_EQ(userGuidePath("/srv/hummwell/", "/opt/hw/bin", installed), "/srv/hummwell/hummwell.html");
    EXPECT_EQ(userGuidePath("", "/opt/hw/bin", installed), "/opt/hw/bin/../share/hummwell/hummwell.html");
    EXPECT_EQ(userGuidePath("", "/build/app", none), "/build/app/hummwell.html");
}
