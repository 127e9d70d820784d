// A private ALSA configuration for one test. ALSA_CONFIG_PATH names only the file the test
// writes, so the system's definitions, ~/.asoundrc and whatever cards the machine has take no
// part: "default" is as unknown as on a machine without a sound card. ALSA keeps its parsed
// configuration process-wide; it is dropped on the way in and on the way out, so every test
// sees its own. No other thread may be inside ALSA while one is made or ends.
#pragma once

#include "TempFolder.h"

#include <alsa/asoundlib.h>

#include <fstream>
#include <optional>
#include <stdlib.h>
#include <string>

namespace testalsa {

class PrivateAlsaConfig {
public:
    // `definitions` in ALSA's configuration syntax; "@DIR@" stands for folder.path.
    explicit PrivateAlsaConfig(std::string definitions) {
        for (size_t at; (at = definitions.find("@DIR@")) != std::string::npos;)
            definitions.replace(at, 5, folder.path);
        const std::string path = folder.path + "/asound.conf";
        std::ofstream(path) << definitions;
        if (const char* previous = ::getenv(kVariable)) previous_ = previous;
        ::setenv(kVariable, path.c_str(), 1);
        snd_config_update_free_global();
    }
    ~PrivateAlsaConfig() {
        if (previous_)
            ::setenv(kVariable, previous_->c_str(), 1);
        else
            ::unsetenv(kVariable);
        snd_config_update_free_global();
    }
    PrivateAlsaConfig(const PrivateAlsaConfig&) = delete;
    PrivateAlsaConfig& operator=(const PrivateAlsaConfig&) = delete;

    testsignals::TempFolder folder{"alsa"};

private:
    static constexpr const char* kVariable = "ALSA_CONFIG_PATH";
    std::optional<std::string> previous_;
};

}  // namespace testalsa
