// The profile in QSettings, under the organisation "Kestrano" and the application
// "Hummwell plus".
#pragma once

#include "Profile.h"

#include <QSettings>

namespace hummwell {

class QtProfile final : public Profile {
public:
    QtProfile();
    std::string readString(const std::string& section, const std::string& entry,
                           const std::string& fallback = {}) const override;
    void writeString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

private:
    mutable QSettings settings_;
};

}  // namespace hummwell
