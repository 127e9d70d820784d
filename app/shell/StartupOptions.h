// What the start-up reads from the command line and where the Help command finds the user
// guide.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hummwell {

// The project named on the command line (the first argument that is not an option), or
// empty. `arguments` excludes the program's own name.
std::string commandLineFile(const std::vector<std::string>& arguments);

// The user guide: in the installation folder when the profile names one (the name is
// appended directly, so the folder ends with its separator), else in the program's data
// folder (../share/hummwell beside bin), else beside the program (a build tree).
std::string userGuidePath(const std::string& installDirectory, const std::string& programDirectory,
                          const std::function<bool(const std::string&)>& exists);

}  // namespace hummwell
