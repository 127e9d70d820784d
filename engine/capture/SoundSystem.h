// Whether the sound system this build captures through can be used at all, checked once by
// initialize before any device is touched.
#pragma once

#include <string>

namespace tonik {

// The oldest ALSA library the capture and mixer code relies on.
inline constexpr int kAlsaMinimumMajor = 1, kAlsaMinimumMinor = 0, kAlsaMinimumSubminor = 16;

// Empty when the ALSA library that was loaded is recent enough; otherwise the message that
// ends the process.
std::string alsaProblem();
// The same rule on a version text such as "1.2.8", for tests.
bool alsaVersionIsUsable(const char* version);

}  // namespace tonik
