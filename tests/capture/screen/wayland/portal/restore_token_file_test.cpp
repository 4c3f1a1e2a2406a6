// The remembered screen share's file, in a private folder per test: what a
// read makes of each kind of file, and that saving replaces whole or not at
// all, with private modes.
#include "capture/screen/wayland/portal/restore_token_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

const char kToken[] = "0f9c2d4e-5a6b-4c7d-8e9f-a0b1c2d3e4f5";

int ModeOf(const std::string& path) {
  struct stat about = {};
  return stat(path.c_str(), &about) == 0 ? static_cast<int>(about.st_mode & 07777) : -1;
}

TEST(RestoreTokenFile, ReadsOnlyAWellFormedToken) {
  const std::string kLongFile = kToken + std::string(100, ' ') + "\n";
  const struct {
    const char* name;
    const char* contents;  // null: no file
    TokenFile expected;
  } cases[] = {
      {"missing file", nullptr, TokenFile::kMissing},
      {"token and newline", "0f9c2d4e-5a6b-4c7d-8e9f-a0b1c2d3e4f5\n", TokenFile::kFound},
      {"upper case, no newline", "0F9C2D4E-5A6B-4C7D-8E9F-A0B1C2D3E4F5", TokenFile::kFound},
      {"not a UUID", "garbage\n", TokenFile::kBad},
      {"a dash out of place", "0f9c2d4e5-a6b-4c7d-8e9f-a0b1c2d3e4f5\n", TokenFile::kBad},
      {"empty", "", TokenFile::kBad},
      // Read only in part, and still not a token for all its blank tail.
      {"over-long", kLongFile.c_str(), TokenFile::kBad},
      {"token then more", "0f9c2d4e-5a6b-4c7d-8e9f-a0b1c2d3e4f5\nx\n", TokenFile::kBad},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.File("restore-token");
    if (c.contents != nullptr) WriteFile(path, c.contents);
    std::string token = "unchanged";
    std::string problem;
    EXPECT_EQ(ReadRestoreToken(path, token, problem), c.expected);
    if (c.expected == TokenFile::kFound) {
      EXPECT_TRUE(IsRestoreToken(token)) << token;
      EXPECT_EQ(token.size(), 36u);
    } else {
      EXPECT_EQ(token, "unchanged");
    }
    // A bad file is named in the one warning line; the others say nothing.
    EXPECT_EQ(problem.find(path) != std::string::npos, c.expected == TokenFile::kBad) << problem;
  }
}

TEST(RestoreTokenFile, SavesReplacesAndRemovesWhole) {
  TempDir dir;
  const std::string folder = dir.File("state/bottlewatch");
  const std::string path = folder + "/restore-token";
  std::string problem;

  ASSERT_TRUE(SaveRestoreToken(path, kToken, problem)) << problem;
  EXPECT_EQ(ReadFile(path), std::string(kToken) + "\n");
  EXPECT_EQ(ModeOf(path), 0600);
  EXPECT_EQ(ModeOf(folder), 0700);
  EXPECT_EQ(ModeOf(dir.File("state")), 0700);

  const std::string newer = "aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee";
  ASSERT_TRUE(SaveRestoreToken(path, newer, problem)) << problem;
  EXPECT_EQ(ReadFile(path), newer + "\n");
  // What is not a token is never written, and the kept one stays.
  EXPECT_FALSE(SaveRestoreToken(path, "not a token", problem));
  EXPECT_EQ(ReadFile(path), newer + "\n");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);

  ASSERT_TRUE(ForgetRestoreToken(path, problem)) << problem;
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(ForgetRestoreToken(path, problem)) << "a missing file is already forgotten";
}

// A file where a folder should be stops the save even for root, for whom
// permission bits do not.
TEST(RestoreTokenFile, UnwritableFolderIsAProblemNotACrash) {
  TempDir dir;
  WriteFile(dir.File("state"), "a file, not a folder");
  const std::string path = dir.File("state/bottlewatch/restore-token");
  std::string problem;
  EXPECT_FALSE(SaveRestoreToken(path, kToken, problem));
  EXPECT_NE(problem.find(dir.File("state")), std::string::npos) << problem;
  std::string token;
  EXPECT_EQ(ReadRestoreToken(path, token, problem), TokenFile::kBad);
}

TEST(RestoreTokenFile, PathFollowsTheStateFolderRules) {
  const struct {
    const char* stateHome;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/s", "/h", "/s/bottlewatch/restore-token"},
      {nullptr, "/h", "/h/.local/state/bottlewatch/restore-token"},
      {"", "/h", "/h/.local/state/bottlewatch/restore-token"},
      {"relative", "/h", "/h/.local/state/bottlewatch/restore-token"},
      {nullptr, nullptr, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RestoreTokenPath(c.stateHome, c.home), c.expected)
        << (c.stateHome ? c.stateHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
}

}  // namespace
