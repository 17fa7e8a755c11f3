#include "platform/settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

using testing::FileExists;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;

// Records what reaches the store, so the helpers can be checked without a file.
class FakeStore : public SettingsStore {
 public:
  std::string ReadText(const std::string& key, const std::string& defaultValue) override {
    defaultsAsked.push_back(defaultValue);
    auto found = values.find(key);
    return found == values.end() ? defaultValue : found->second;
  }
  void WriteRaw(const std::string& key, const std::string& value) override { values[key] = value; }

  std::map<std::string, std::string> values;
  std::vector<std::string> defaultsAsked;
};

TEST(LeadingIntegerTest, ConvertsTheLeadingNumber) {
  const int64_t kMax = std::numeric_limits<int64_t>::max();
  const int64_t kMin = std::numeric_limits<int64_t>::min();
  const std::vector<std::pair<std::string, int64_t>> cases = {
      {"", 0},
      {"0", 0},
      {"1", 1},
      {"2", 2},
      {"abc", 0},
      {"-", 0},
      {"+", 0},
      {"- 5", 0},
      {"+7", 7},
      {"-999", -999},
      {" \t\r\n\v\f42", 42},
      {"12abc", 12},
      {"3.9", 3},
      {"0x1F", 0},
      {"007", 7},
      {"1 2", 1},
      {"--1", 0},
      {"9223372036854775807", kMax},
      {"9223372036854775808", kMax},
      {"99999999999999999999999", kMax},
      {"-9223372036854775808", kMin},
      {"-9223372036854775809", kMin},
      {"-99999999999999999999999", kMin},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(LeadingInteger(text), expected) << text;
}

TEST(SettingsHelpersTest, IntegersAreDecimalTextAndReadWithEmptyDefault) {
  FakeStore store;
  EXPECT_EQ(ReadSettingInt(store, "Master"), 0);
  EXPECT_EQ(store.defaultsAsked, std::vector<std::string>{""});
  const std::vector<std::pair<int64_t, std::string>> cases = {
      {0, "0"},
      {1, "1"},
      {-1200, "-1200"},
      {123456789012LL, "123456789012"},
      {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
  };
  for (const auto& [value, text] : cases) {
    WriteSettingInt(store, "dxcc_x", value);
    EXPECT_EQ(store.values["dxcc_x"], text);
    EXPECT_EQ(ReadSettingInt(store, "dxcc_x"), value);
  }
}

TEST(SettingsHelpersTest, LineBreaksAreEscapedBeforeWriting) {
  FakeStore store;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain", "plain"},           {"a\r\nb", "a<CR><LF>b"},           {"\n\r", "<LF><CR>"},
      {"x\revil=1", "x<CR>evil=1"}, {"\n[Other]\n", "<LF>[Other]<LF>"}, {"", ""},
  };
  for (const auto& [value, stored] : cases) {
    WriteSetting(store, "SoapBox", value);
    EXPECT_EQ(store.values["SoapBox"], stored) << stored;
  }
}

// The platform store on a fresh working folder: the real profile functions on
// Windows, the portable layer elsewhere. Files must come out the same.
class PlatformSettingsTest : public ::testing::Test {
 protected:
  PlatformSettingsTest() { std::filesystem::create_directory("Plugins"); }

  static std::string FileBytes() { return ReadFileBytes("Plugins/RE-RA-Dediroz.ini"); }

  ScratchDir dir_;
  std::unique_ptr<SettingsStore> store_ = NewPlatformSettings();
};

TEST_F(PlatformSettingsTest, NoFileReadsDefaults) {
  EXPECT_EQ(store_->ReadText("Operators", "YO3XYZ"), "YO3XYZ");
  EXPECT_EQ(ReadSettingInt(*store_, "Master"), 0);
  EXPECT_FALSE(FileExists("Plugins/RE-RA-Dediroz.ini"));
}

TEST_F(PlatformSettingsTest, HeaderKeysInFirstWriteOrderWithEmptyPresentNotDefault) {
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"Band", "ALL"},
      {"Power", ""},
      {"Operators", ""},
      {"Name", "Ion"},
      {"Address", "Str. 1"},
      {"Address-City", "Cluj"},
      {"Address-PostalCode", "400001"},
      {"Address-Country", "Romania"},
      {"Category", "SINGLE-OP"},
      {"Contest", "YO-DX"},
      {"Email", "a@b.ro"},
      {"Club", "RC"},
      {"SoapBox", "Hi"},
      {"Loc", "KN36"},
  };
  std::string expected = "[Settings]\r\n";
  for (const auto& [key, value] : keys) {
    WriteSetting(*store_, key, value);
    expected += key + "=" + value + "\r\n";
  }
  EXPECT_EQ(FileBytes(), expected);
  EXPECT_EQ(store_->ReadText("Operators", "YO3XYZ"), "");
  EXPECT_EQ(store_->ReadText("operators", "YO3XYZ"), "");
  EXPECT_EQ(store_->ReadText("Club", ""), "RC");
}

TEST_F(PlatformSettingsTest, RewritingAKeyKeepsItsPlace) {
  WriteSettingInt(*store_, "Master", 0);
  WriteSettingInt(*store_, "Multiplier", 1);
  WriteSettingInt(*store_, "master", 1);
  WriteSettingInt(*store_, "dxcc_x", -12345);
  WriteSettingInt(*store_, "dxcc_y", 123456);
  EXPECT_EQ(FileBytes(),
            "[Settings]\r\nMaster=1\r\nMultiplier=1\r\ndxcc_x=-12345\r\ndxcc_y=123456\r\n");
  EXPECT_EQ(ReadSettingInt(*store_, "dxcc_x"), -12345);
  EXPECT_EQ(ReadSettingInt(*store_, "dxcc_y"), 123456);
}

TEST_F(PlatformSettingsTest, LongValueReadsBackWhole) {
  const std::string value(150, 'W');
  WriteSetting(*store_, "SoapBox", value);
  EXPECT_EQ(store_->ReadText("SoapBox", ""), value);
  const std::string longer(5000, 'x');
  WriteSetting(*store_, "Name", longer);
  EXPECT_EQ(store_->ReadText("Name", ""), longer);
}

TEST_F(PlatformSettingsTest, MasterOfTwoIsOnAndOfAbcIsOff) {
  WriteFileBytes("Plugins/RE-RA-Dediroz.ini", "[Settings]\r\nMaster=2\r\nMultiplier=abc\r\n");
  EXPECT_EQ(ReadSettingInt(*store_, "Master"), 2);
  EXPECT_EQ(ReadSettingInt(*store_, "Multiplier"), 0);
}

TEST_F(PlatformSettingsTest, LineBreaksCannotAddKeys) {
  WriteSetting(*store_, "SoapBox", "73\r\nMaster=1\r\n[Other]");
  EXPECT_EQ(FileBytes(), "[Settings]\r\nSoapBox=73<CR><LF>Master=1<CR><LF>[Other]\r\n");
  EXPECT_EQ(ReadSettingInt(*store_, "Master"), 0);
  EXPECT_EQ(store_->ReadText("SoapBox", ""), "73<CR><LF>Master=1<CR><LF>[Other]");
}

TEST_F(PlatformSettingsTest, DefaultLosesTrailingSpacesLikeThePlatform) {
  EXPECT_EQ(store_->ReadText("Operators", "YO3XYZ  "), "YO3XYZ");
  EXPECT_EQ(store_->ReadText("Operators", "  YO3XYZ"), "  YO3XYZ");
}

TEST(PlatformSettingsNoFolderTest, WritesAreLostAndNothingIsCreated) {
  ScratchDir dir;
  auto store = NewPlatformSettings();
  WriteSettingInt(*store, "Master", 1);
  WriteSetting(*store, "Name", "Ion");
  EXPECT_FALSE(FileExists("Plugins"));
  EXPECT_EQ(ReadSettingInt(*store, "Master"), 0);
  EXPECT_EQ(store->ReadText("Name", "none"), "none");
}

}  // namespace
}  // namespace stats
