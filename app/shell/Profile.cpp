#include "Profile.h"

#include <algorithm>

namespace hummwell {

namespace {

std::string recentEntry(int i) { return "File" + std::to_string(i + 1); }

}  // namespace

std::vector<std::string> Profile::recentFiles() const {
    std::vector<std::string> files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        std::string path = readString(kRecentSection, recentEntry(i));
        if (!path.empty()) files.push_back(std::move(path));
    }
    return files;
}

void Profile::addRecentFile(const std::string& path) {
    if (path.empty()) return;
    std::vector<std::string> files = recentFiles();
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), path);
    files.resize(std::min<size_t>(files.size(), kRecentFileCount));
    for (int i = 0; i < kRecentFileCount; ++i)
        writeString(kRecentSection, recentEntry(i), i < static_cast<int>(files.size()) ? files[i] : "");
}

std::string MemoryProfile::readString(const std::string& section, const std::string& entry,
                                      const std::string& fallback) const {
    const auto it = values_.find(section + "/" + entry);
    return it == values_.end() ? fallback : it->second;
}

void MemoryProfile::writeString(const std::string& section, const std::string& entry,
                                const std::string& value) {
    values_[section + "/" + entry] = value;
}

}  // namespace hummwell
