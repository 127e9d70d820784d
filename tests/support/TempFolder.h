// A fresh folder under the test temporary directory, removed with everything in it at the end.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <stdlib.h>
#include <string>
#include <vector>

namespace testsignals {

struct TempFolder {
    explicit TempFolder(const std::string& prefix = "hummwell") {
        std::string pattern = ::testing::TempDir() + prefix + ".XXXXXX";
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Names of the entries in the folder, in no particular order.
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path))
            out.push_back(e.path().filename().string());
        return out;
    }

    std::string path;
};

}  // namespace testsignals
