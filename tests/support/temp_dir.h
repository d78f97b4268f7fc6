#pragma once

#include <filesystem>
#include <string>

// A fresh folder for link, log and configuration files, removed with everything in it at the end;
// empty where none could be made.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "quillsetter");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};
