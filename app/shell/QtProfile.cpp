#include "QtProfile.h"

namespace hummwell {

namespace {
QString keyOf(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section.empty() ? entry : section + "/" + entry);
}
}  // namespace

QtProfile::QtProfile() : settings_(kProfileOrganization, kProfileApplication) {}

std::string QtProfile::readString(const std::string& section, const std::string& entry,
                                  const std::string& fallback) const {
    const QVariant value = settings_.value(keyOf(section, entry));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void QtProfile::writeString(const std::string& section, const std::string& entry,
                            const std::string& value) {
    settings_.setValue(keyOf(section, entry), QString::fromStdString(value));
}

}  // namespace hummwell
