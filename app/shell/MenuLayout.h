// The menus, the toolbar and the keys of the main window as data: which command sits where,
// under which text, and on which keys. The window builds its actions from these tables; the
// numeric ids are the commands' identity everywhere.
#pragma once

#include <array>
#include <vector>

namespace hummwell {

// Window-only commands and the standard ids the shell adds to the view's commands.
enum ShellCommandId : int {
    kCmdExit = 57665,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
};

struct CommandText {
    int id;
    const char* text;                 // menu text with its & mnemonic; empty: no menu item
    std::array<const char*, 2> keys;  // portable key names ("Ctrl+X", "Shift+Del"), or null
    const char* prompt;               // status-bar text, then after "\n" the tool tip
};

// Every command that has a text, a key or both.
const std::vector<CommandText>& commandTexts();
// The entry of `id`, or null.
const CommandText* commandText(int id);

// A menu's items by id: kSeparator for a line, kCmdRecentFile1 for the recent-file list.
struct MenuLayout {
    const char* title;
    std::vector<int> ids;
};
inline constexpr int kSeparator = 0;
const std::vector<MenuLayout>& menuLayout();

// The toolbar, left to right; kSeparator between the groups. The n-th command is drawn with
// the n-th toolbar image.
const std::vector<int>& toolbarLayout();

}  // namespace hummwell
