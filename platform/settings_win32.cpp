// The settings file through the Windows private-profile functions.
#include <windows.h>

#include <vector>

#include "platform/settings.h"

namespace stats {
namespace {

// Relative with a backslash, so the platform takes it below the current
// directory (a bare file name would go to the Windows folder).
const char kSettingsPath[] = "Plugins\\RE-RA-Dediroz.ini";
const char kSection[] = "Settings";

// The first buffer fits every value the plug-in writes itself; longer typed
// texts make the loop grow it. The cap only guards against a runaway file.
constexpr DWORD kFirstSize = 256;
constexpr DWORD kLargestSize = 1u << 24;

class ProfileSettings : public SettingsStore {
 public:
  std::string ReadText(const std::string& key, const std::string& defaultValue) override {
    // The platform returns the default itself when the key is absent; a value
    // that did not fit comes back cut with the length nSize - 1.
    std::vector<char> buffer(kFirstSize);
    for (;;) {
      const DWORD size = static_cast<DWORD>(buffer.size());
      const DWORD length = GetPrivateProfileStringA(kSection, key.c_str(), defaultValue.c_str(),
                                                    buffer.data(), size, kSettingsPath);
      if (length + 1 < size || size >= kLargestSize) {
        return std::string(buffer.data(), length < size ? length : size - 1);
      }
      buffer.resize(static_cast<size_t>(size) * 2);
    }
  }

  void WriteRaw(const std::string& key, const std::string& value) override {
    WritePrivateProfileStringA(kSection, key.c_str(), value.c_str(), kSettingsPath);
  }
};

}  // namespace

std::unique_ptr<SettingsStore> NewPlatformSettings() {
  return std::make_unique<ProfileSettings>();
}

}  // namespace stats
