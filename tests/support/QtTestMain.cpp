// The widget tests' main: one QApplication for the whole run. No display, no microphone and
// no synthesizer unless the caller chose them (a test may run under Xvfb), and a fresh
// profile folder, so the user's own profile is never read or written.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
bool finished = false;
// A test that ends the process early (the library's fatal exit, say) must not pass for one
// that ran: exit(0) before the end becomes a failure.
void failIfUnfinished() {
    if (!finished) std::_Exit(3);
}
}  // namespace

int main(int argc, char** argv) {
    std::atexit(failIfUnfinished);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TONIK_CAPTURE", "silence", 0);
    setenv("HUMMWELL_MIDI_OUT", "none", 0);
    // Qt's own event dispatcher instead of GLib's: one library less whose threads work
    // unseen by ThreadSanitizer.
    setenv("QT_NO_GLIB", "1", 0);
    std::string config = testing::TempDir() + "hummwell-gui-config.XXXXXX";
    if (mkdtemp(config.data())) setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // a test closes main windows often
    const int failed = RUN_ALL_TESTS();
    finished = true;
    std::error_code ignored;
    std::filesystem::remove_all(getenv("XDG_CONFIG_HOME"), ignored);
    return failed;
}
