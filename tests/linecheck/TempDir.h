#pragma once
// A fresh directory under the system temporary folder, removed with its contents
// when the object goes away. Helpers write files and folders inside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::random_device random;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = base / ("corvane-linecheck-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_)) return;
    }
    ADD_FAILURE() << "cannot create a temporary directory under " << base;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

  // Writes `content` byte for byte, creating parent folders.
  std::string Write(const std::string& relative, const std::string& content) const {
    std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file.string();
  }
  std::string MakeDir(const std::string& relative) const {
    std::filesystem::create_directories(path_ / relative);
    return (path_ / relative).string();
  }

 private:
  std::filesystem::path path_;
};
