// Our version-resource reader against GetFileVersionInfoA and VerQueryValueA
// on real program files: three versions, none, and truncated or garbled
// copies. And the CREATED-BY line of the real DLL beside such a program.
#include <gtest/gtest.h>
#include <windows.h>

#include "cabrillo/cabrillo_log.h"
#include "cabrillo/host_program.h"
#include "cabrillo/pe_version.h"
#include "tests/support/plugin_test.h"
#include "tools/plugin_loader.h"

namespace stats {
namespace {

using testing::ReadFileBytes;
using testing::WriteFileBytes;

std::string Probe(const std::string& name) {
  return tools::LoadedPlugin::ProgramFolder() + name;
}

// "none" or the two words, for comparing both readers on one file.
std::string Platform(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> block(size);
  void* value = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO) ||
      static_cast<VS_FIXEDFILEINFO*>(value)->dwSignature != 0xFEEF04BDu) {
    return "none";
  }
  const auto* info = static_cast<VS_FIXEDFILEINFO*>(value);
  return std::to_string(info->dwFileVersionMS) + "." + std::to_string(info->dwFileVersionLS);
}

std::string Ours(const std::string& bytes) {
  uint32_t ms, ls;
  if (!ReadPeFileVersion(bytes, &ms, &ls)) return "none";
  return std::to_string(ms) + "." + std::to_string(ls);
}

// The plug-in's own lookup of one program file.
std::string FindHostVersionOf(const std::string& name) {
  uint32_t ms, ls;
  if (!NewPlatformProgramFiles()->FileVersion(name, &ms, &ls)) return "";
  return HostVersionText(ms, ls);
}

TEST(ProgramVersionTest, OurReaderAgreesWithThePlatform) {
  const std::pair<const char*, const char*> programs[] = {
      {"VexoProbe-2.20.7.1.exe", "2.20"},
      {"VexoProbe-3.1.5.0.exe", "3.1.5"},
      {"VexoProbe-2.5.0.0.exe", "2.5"},
  };
  for (const auto& program : programs) {
    const std::string bytes = ReadFileBytes(Probe(program.first));
    ASSERT_FALSE(bytes.empty()) << program.first;
    uint32_t ms, ls;
    ASSERT_TRUE(ReadPeFileVersion(bytes, &ms, &ls));
    EXPECT_EQ(HostVersionText(ms, ls), program.second);
    EXPECT_EQ(Platform(Probe(program.first)), Ours(bytes)) << program.first;
  }
  const std::string none = ReadFileBytes(Probe("VexoProbe-none.exe"));
  EXPECT_EQ(Ours(none), "none");
  EXPECT_EQ(Platform(Probe("VexoProbe-none.exe")), "none");
}

TEST(ProgramVersionTest, TruncatedAndGarbledCopies) {
  testing::ScratchDir dir;
  const std::string good = ReadFileBytes(Probe("VexoProbe-2.20.7.1.exe"));
  // The version block begins 6 bytes before its key; its fixed part 40 bytes in.
  const size_t block = good.find(std::string("V\0S\0_\0V\0E\0R", 11)) - 6;
  ASSERT_LT(block, good.size());
  int copies = 0;
  auto check = [&](const std::string& copy, const std::string& what) {
    // A new name for each copy: the platform may still map the previous one.
    const std::string name = "copy" + std::to_string(copies++) + ".exe";
    WriteFileBytes(dir.path() / name, copy);
    const std::string ours = Ours(copy);
    EXPECT_EQ(Platform(name), ours) << what;
    EXPECT_EQ(FindHostVersionOf(name), ours == "none" ? "" : "2.20") << what;
  };
  // Cut anywhere up to the end of the version block: neither has a version.
  for (size_t i = 0; i < 48; ++i) check(good.substr(0, block * i / 48), "cut");
  for (size_t end = block; end < block + 92; end += 7) check(good.substr(0, end), "cut");
  // Garbled where it decides: the fixed part's signature, or a value length
  // that leaves no room for the fixed part. Neither reader finds a version.
  // (Randomly garbled trees are for our reader alone, in the unit tests and
  // the fuzzer: Wine's own version functions corrupt memory on some of them.)
  auto garbled = [&](size_t at, char value) {
    std::string bad = good;
    bad[at] = value;
    return bad;
  };
  check(garbled(block + 40, 0x11), "signature");
  check(garbled(block + 2, 0), "no fixed part");
}

using CreatedByTest = testing::PluginTest;

TEST_F(CreatedByTest, TheHostsProgramFileGivesTheVersion) {
  MakePluginsFolder();
  CopyFileA(Probe("VexoProbe-2.20.7.1.exe").c_str(), "Vexo.exe", FALSE);
  testing::ResetArgs args;
  args.outputSwitch = 1;
  testing::ResetStats(args);
  testing::GetResult();
  EXPECT_NE(ReadFileBytes(dir_.path() / "YO3XYZ.cbr").find("\r\nCREATED-BY: Vexo 2.20\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace stats
