// The settings file: section "Settings" of "Plugins\RE-RA-Dediroz.ini",
// relative to the host's working directory. Every value is read from the
// file when it is needed and every change is written at once; there is no
// in-memory copy. Failures are silent: a missing file reads as defaults and a
// failed write is lost.
#ifndef STATS_PLATFORM_SETTINGS_H_
#define STATS_PLATFORM_SETTINGS_H_

#include <cstdint>
#include <memory>
#include <string>

namespace stats {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The whole value of the key, or the default when the key is absent.
  // A key that is present but empty reads as empty text.
  virtual std::string ReadText(const std::string& key, const std::string& defaultValue) = 0;

  // Writes the value as given; the file, the section and the key are created
  // as needed. Callers use WriteSetting, which keeps line breaks out.
  virtual void WriteRaw(const std::string& key, const std::string& value) = 0;
};

// Writes a value with every CR replaced by "<CR>" and every LF by "<LF>", so
// that no value can add lines (keys or sections) to the file.
void WriteSetting(SettingsStore& store, const std::string& key, const std::string& value);

// Leading-integer conversion of the text (absent or no digits: 0).
int64_t ReadSettingInt(SettingsStore& store, const std::string& key);
// Writes the decimal text of the value.
void WriteSettingInt(SettingsStore& store, const std::string& key, int64_t value);

// The leading-integer conversion used for settings: leading white space, an
// optional sign, digits; the first other character ends the number.
int64_t LeadingInteger(const std::string& text);

// The settings file through the platform's own profile functions (Windows)
// or the portable INI layer (elsewhere).
std::unique_ptr<SettingsStore> NewPlatformSettings();

}  // namespace stats

#endif  // STATS_PLATFORM_SETTINGS_H_
