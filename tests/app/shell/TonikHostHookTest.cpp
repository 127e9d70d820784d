#include "shell/TonikHostHook.h"

#include "support/AppDoubles.h"
#include "tonik.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hummwell;

// The library's start-up note reaches the program's prompt, not stderr.
TEST(TonikHostHook, LibraryMessagesReachTheProgramsPrompt) {
    ::setenv("TONIK_CAPTURE", "silence", 1);  // the software mixer: its microphone is not muted yet
    appdoubles::ScriptedPrompt prompt;
    int quits = 0;
    {
        const TonikHostHook hook(prompt, [&] { ++quits; });
        tonik_initialize(nullptr);
    }
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "NOTE: This program makes your microphone sound mute.");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Information);
    EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::Ok);
    EXPECT_EQ(quits, 0);
}
