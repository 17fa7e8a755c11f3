// Files in the way: the report, the settings folder or the settings file
// cannot be written or read, or hold garbage. The plug-in gives the same
// answers as with healthy files and leaves what is already there as it was.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/file_system.h"
#include "platform/settings.h"
#include "plugin/module.h"
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

using FileFaultTest = PluginTest;

// A session touching every file the plug-in keeps: the reset, a clean
// contact, a duplicate, a refused county, the checks, a removal, the setup
// dialog and the result. Returns every answer, in order.
std::vector<std::string> Session() {
  std::vector<std::string> answers;
  auto keep = [&](int answer) { answers.push_back(std::to_string(answer)); };
  keep(ResetStats(ResetArgs()));
  keep(AddData(Qso()));
  keep(AddData(Qso()));
  Qso refused;
  refused.call = "YO9AAA";
  refused.prefix = "YO";
  refused.exchRcvd = "XX";
  keep(AddData(refused));
  keep(CheckCall(CallCheck()));
  keep(IsValidExchg("XX", "YO"));
  keep(RemoveData(Qso()));
  Plugin().SetupSet0();
  answers.push_back(GetResult());
  Plugin().RunCommand0(0, "HIDEINFO");  // garbage may have asked for the windows
  return answers;
}

struct Fault {
  const char* name;
  std::function<void()> make;   // puts the fault into the working folder
  std::function<void()> check;  // what must still be there afterwards
};

std::string Garbage() {
  std::string bytes = "\xef\xbb\xbf\xff\xfe garbage\r\n[Settings\r\n=no key\r\nStart\r\n";
  bytes += std::string(70000, 'x') + "\r\n";  // one line longer than any buffer
  bytes += "[Settings]\r\nMultiplier=abc\r\nMaster=99999999999999999999999\r\n";
  bytes += "[Settings]\r\nMaster=1\r\n\x1a\x1a";
  return bytes;
}

TEST_F(FileFaultTest, FilesInTheWayChangeNoAnswerAndLoseNothing) {
  const std::vector<std::string> healthy = Session();
  ASSERT_EQ(healthy.size(), 8u);

  const std::filesystem::path settings = std::filesystem::path("Plugins") / "RE-RA-Dediroz.ini";
  const std::string garbage = Garbage();
  const std::string binary("\0\0[Settings]\0Start=1\r\n\x80\x81\0", 24);
  const std::vector<Fault> faults = {
      {"err.txt is a folder", [] { std::filesystem::create_directory("err.txt"); },
       [] { EXPECT_TRUE(std::filesystem::is_directory("err.txt")); }},
      {"Plugins is a file", [] { WriteFileBytes("Plugins", "not a folder"); },
       [] { EXPECT_EQ(ReadFileBytes("Plugins"), "not a folder"); }},
      {"the settings file is a folder", [&] { std::filesystem::create_directories(settings); },
       [&] { EXPECT_TRUE(std::filesystem::is_directory(settings)); }},
      {"the settings file is garbage",
       [&] {
         std::filesystem::create_directory("Plugins");
         WriteFileBytes(settings, garbage);
       },
       [&] {
         // The setup dialog's two values were written and no line was lost
         // (Windows re-encodes bytes that are not UTF-8 after a UTF-8 mark,
         // and drops the end-of-file characters).
         const std::string now = ReadFileBytes(settings);
         for (const char* line :
              {" garbage\r\n[Settings\r\n=no key\r\nStart\r\n", "\r\n[Settings]\r\nMaster=1\r\n"}) {
           EXPECT_NE(now.find(line), std::string::npos) << line;
         }
         EXPECT_NE(now.find(std::string(70000, 'x')), std::string::npos);
       }},
      {"the settings file holds NUL bytes",
       [&] {
         std::filesystem::create_directory("Plugins");
         WriteFileBytes(settings, binary);
       },
       [] {}},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    ScratchDir folder;
    FreshPlugin();
    fault.make();
    EXPECT_EQ(Session(), healthy);
    fault.check();
  }
}

TEST_F(FileFaultTest, AFailedExportKeepsThePreviousFile) {
  MakePluginsFolder();
  WriteFileBytes(dir_.path() / "YO3XYZ.cbr", "the log sent yesterday");
  std::filesystem::create_directory(dir_.path() / "YO3XYZ.cbr.tmp");  // the new file's way
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  AddData(Qso());
  int flag = 7;
  GetResult(&flag);
  EXPECT_EQ(flag, 7);
  ASSERT_EQ(ui_->Messages().size(), 1u);
  EXPECT_EQ(ui_->Messages()[0].rfind("Output: File not produced: YO3XYZ.cbr could not be", 0), 0u);
  EXPECT_EQ(ReadFileBytes(dir_.path() / "YO3XYZ.cbr"), "the log sent yesterday");
}

// A disk that fills up in the middle of the contest, for real: a small file
// system of the test's own (tests/check_full_disk.sh mounts it as the
// temporary folder), filled to its last byte. Every file the plug-in writes
// after that keeps its previous content whole, the export says that its file
// was not produced and why, and the answers are those of a healthy disk.
TEST_F(FileFaultTest, FullDiskKeepsEveryPreviousFile) {
  if (std::getenv("STATS_SMALL_DISK") == nullptr || ThroughDll()) {
    GTEST_SKIP() << "run by tests/check_full_disk.sh on a small file system of its own";
  }
  MakePluginsFolder();
  ResetArgs args;
  args.outputSwitch = 1;
  const auto run = [&] {
    ResetStats(args);
    AddData(Qso());
    AddData(Qso());  // a duplicate: a report line
    int flag = 7;
    const std::string result = GetResult(&flag);
    return result + "flag " + std::to_string(flag);
  };
  const std::string healthy = run();
  const std::string report = Report(), settings = SettingsFile();
  const std::string log = ReadFileBytes(dir_.path() / "YO3XYZ.cbr");
  ASSERT_NE(healthy.find("flag -1"), std::string::npos);

  {
    std::FILE* filler = std::fopen((dir_.path() / "filler").string().c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    std::setvbuf(filler, nullptr, _IONBF, 0);
    const std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    while (std::fputc('x', filler) != EOF) {
    }
    std::fclose(filler);
  }
  Plugin().SetupSet0();
  const std::string full = run();
  EXPECT_EQ(full, healthy.substr(0, healthy.size() - 2) + "7");
  EXPECT_EQ(Report().substr(0, report.size()), report);
  EXPECT_EQ(SettingsFile(), settings);
  EXPECT_EQ(ReadFileBytes(dir_.path() / "YO3XYZ.cbr"), log);
  ASSERT_EQ(ui_->Messages().size(), 2u);
  EXPECT_EQ(ui_->Messages()[1],
            "Output: File not produced: YO3XYZ.cbr could not be written (No space left on "
            "device). The previous file, if any, is unchanged.");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

// A folder that turns read-only in the middle of the contest (the platform
// refuses every write with "Permission denied"), through the seams: root,
// which runs the suites here, is not stopped by permission bits.
class ReadOnlyFolder : public FileSystem {
 public:
  bool Replace(const std::string&, const std::string&) override { return false; }
  bool Append(const std::string&, const std::string&) override { return false; }
  bool ReplaceSafely(const std::string&, const std::string&, std::string* error) override {
    *error = "Permission denied";
    return false;
  }
};

class ReadOnlySettings : public SettingsStore {
 public:
  explicit ReadOnlySettings(std::unique_ptr<SettingsStore> real) : real_(std::move(real)) {}
  std::string ReadText(const std::string& key, const std::string& defaultValue) override {
    return real_->ReadText(key, defaultValue);
  }
  void WriteRaw(const std::string&, const std::string&) override {}

 private:
  std::unique_ptr<SettingsStore> real_;
};

TEST_F(FileFaultTest, ReadOnlyFolderMidContest) {
  if (ThroughDll()) GTEST_SKIP() << "replaces the module's seams";
  MakePluginsFolder();
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  AddData(Qso());
  const std::string report = Report();
  const std::string settings = SettingsFile();

  ReadOnlyFolder readOnly;
  Module& module = TheModule();
  {
    std::lock_guard<std::mutex> hold(module.lock);
    module.files = &readOnly;
    module.settings = std::make_unique<ReadOnlySettings>(std::move(module.settings));
  }
  EXPECT_EQ(AddData(Qso()), 1);  // a duplicate: its report line is refused
  Plugin().SetupSet0();
  int flag = 7;
  const std::string result = GetResult(&flag);
  EXPECT_NE(result.find("Total\t 2\t 2\t 1\t 0\r\n"), std::string::npos) << result;
  EXPECT_EQ(flag, 7);
  ASSERT_EQ(ui_->Messages().size(), 1u);
  EXPECT_EQ(ui_->Messages()[0],
            "Output: File not produced: YO3XYZ.cbr could not be written (Permission denied). "
            "The previous file, if any, is unchanged.");
  EXPECT_EQ(Report(), report);
  EXPECT_EQ(SettingsFile(), settings);
  {
    std::lock_guard<std::mutex> hold(module.lock);
    module.files = &RealFileSystem();
  }
}

}  // namespace
}  // namespace testing
}  // namespace stats
