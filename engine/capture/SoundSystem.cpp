#include "SoundSystem.h"

#include <alsa/asoundlib.h>

#include <cstdio>
#include <tuple>

namespace tonik {

bool alsaVersionIsUsable(const char* version) {
    int major = 0, minor = 0, subminor = 0;
    if (!version || std::sscanf(version, "%d.%d.%d", &major, &minor, &subminor) < 2) return false;
    return std::tie(major, minor, subminor) >=
           std::tie(kAlsaMinimumMajor, kAlsaMinimumMinor, kAlsaMinimumSubminor);
}

std::string alsaProblem() {
    if (alsaVersionIsUsable(snd_asoundlib_version())) return {};
    return "This program needs ALSA 1.0.16 or later version.\n\n>> This program will now EXIT. "
           "<<\n\nPlease install ALSA & try this program again.";
}

}  // namespace tonik
