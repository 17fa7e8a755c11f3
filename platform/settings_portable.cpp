// The settings file through the portable INI layer, for the builds without
// the Windows profile functions.
#include "platform/ini_file.h"
#include "platform/settings.h"

namespace stats {
namespace {

const char kSettingsPath[] = "Plugins/RE-RA-Dediroz.ini";
const char kSection[] = "Settings";

class IniSettings : public SettingsStore {
 public:
  std::string ReadText(const std::string& key, const std::string& defaultValue) override {
    std::string value;
    if (IniRead(kSettingsPath, kSection, key, &value)) return value;
    // The platform hands back the default without its trailing spaces.
    size_t end = defaultValue.size();
    while (end > 0 && defaultValue[end - 1] == ' ') --end;
    return defaultValue.substr(0, end);
  }

  void WriteRaw(const std::string& key, const std::string& value) override {
    IniWrite(kSettingsPath, kSection, key, value);
  }
};

}  // namespace

std::unique_ptr<SettingsStore> NewPlatformSettings() {
  return std::make_unique<IniSettings>();
}

}  // namespace stats
