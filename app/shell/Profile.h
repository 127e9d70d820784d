// The program's profile: the installation folder, the volume control file last used and the
// recent projects. The program keeps it with QSettings; tests use the in-memory profile.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace hummwell {

inline constexpr char kProfileOrganization[] = "Kestrano";
inline constexpr char kProfileApplication[] = "Hummwell plus";
inline constexpr char kInstallDirEntry[] = "InstallDir";    // top level, no section
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kVolumeControlEntry[] = "VCF";        // in "Settings"
inline constexpr char kFindNotesEntry[] = "FindNotesAfterTake";  // in "Settings": "1" or "0"
inline constexpr char kRecentSection[] = "Recent File List";
inline constexpr int kRecentFileCount = 4;

class Profile {
public:
    virtual ~Profile() = default;
    // An empty section is the top level. `fallback` when the entry is missing.
    virtual std::string readString(const std::string& section, const std::string& entry,
                                   const std::string& fallback = {}) const = 0;
    virtual void writeString(const std::string& section, const std::string& entry,
                             const std::string& value) = 0;

    // Most recent first, at most kRecentFileCount, stored as "File1" .. "File4".
    std::vector<std::string> recentFiles() const;
    // Puts `path` first; a path already listed moves up instead of appearing twice.
    void addRecentFile(const std::string& path);
};

class MemoryProfile final : public Profile {
public:
    std::string readString(const std::string& section, const std::string& entry,
                           const std::string& fallback = {}) const override;
    void writeString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

private:
    std::map<std::string, std::string> values_;
};

}  // namespace hummwell
