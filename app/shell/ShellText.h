// The shell's own texts and addresses: captions, messages and the pages the Help menu opens.
#pragma once

namespace hummwell {

inline constexpr char kAppTitle[] = "Hummwell plus";  // also the main window's caption
inline constexpr char kAnotherInstanceRunning[] =
    "FAIL executing new Hummwell because another instance is running.";
inline constexpr char kAboutTitle[] = "About Hummwell";
inline constexpr char kAboutVersion[] = "Hummwell plus 1.00";
inline constexpr char kReady[] = "Ready";
inline constexpr char kSaveBeforeQuit[] =
    "Do you want to save current MIDI sound before you quit Hummwell?";
inline constexpr char kDefaultVolumeControlFile[] = "default.hvc";
inline constexpr char kUserGuideFile[] = "hummwell.html";
inline constexpr char kLevelSetupSection[] = "level-setup";  // the guide's anchor

// The maker's pages; the query keys name the program and its release.
inline constexpr char kUserBoardAddress[] =
    "https://hummwell.example/board.cgi?BOARD=Hummwell%20plus&LANGUAGE=english";
inline constexpr char kCheckUpdateAddress[] =
    "https://hummwell.example/update.cgi?PRODUCT=Hummwell%20plus&LANGUAGE=english&CLASS=plus"
    "&VERSION=100";

}  // namespace hummwell
