#pragma once
// A private temporary folder for the Linux services' tests, removed
// afterwards; environment variables set through it are restored.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace kfw {

class Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kfw-test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override {
    for (const auto& [name, value] : saved)
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    std::filesystem::remove_all(root);
  }
  // `value` unset: the variable is removed.
  void SetEnv(const std::string& name, const std::optional<std::string>& value) {
    if (!saved.contains(name)) {
      const char* old = std::getenv(name.c_str());
      saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }
  std::filesystem::path Write(const std::filesystem::path& relative, const std::string& text, bool program = false) {
    const std::filesystem::path path = root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
    std::filesystem::permissions(path, std::filesystem::perms(program ? 0755 : 0644));
    return path;
  }
  // What started programs wrote to `file`, once it is `expected` or they
  // have had ample time.
  static std::string TextOnceWritten(const std::filesystem::path& file, const std::string& expected) {
    std::string text;
    for (int i = 0; i < 250 && text != expected; ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      std::stringstream in;
      in << std::ifstream(file).rdbuf();
      text = in.str();
    }
    return text;
  }

  std::filesystem::path root;
  std::map<std::string, std::optional<std::string>> saved;
};

}  // namespace kfw
