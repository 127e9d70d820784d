#include "StartupOptions.h"

#include "ShellText.h"

namespace hummwell {

std::string commandLineFile(const std::vector<std::string>& arguments) {
    bool optionsEnded = false;  // after "--" a name may begin with '-'
    for (const std::string& a : arguments) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        if (!a.empty() && (optionsEnded || a[0] != '-')) return a;
    }
    return {};
}

std::string userGuidePath(const std::string& installDirectory, const std::string& programDirectory,
                          const std::function<bool(const std::string&)>& exists) {
    if (!installDirectory.empty()) return installDirectory + kUserGuideFile;
    const std::string installed = programDirectory + "/../share/hummwell/" + kUserGuideFile;
    if (exists(installed)) return installed;
    return programDirectory + "/" + kUserGuideFile;
}

}  // namespace hummwell
