// The one place that turns a Win32 error code into the platform's own text.
#ifndef STATS_PLATFORM_WIN32_ERROR_H_
#define STATS_PLATFORM_WIN32_ERROR_H_

#include <windows.h>

#include <string>

namespace stats {

// The system's message for the code, without its trailing line break; the
// number when the system has no text for it.
inline std::string ErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length != 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\r' || message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

inline std::string LastErrorText() {
  return ErrorText(GetLastError());
}

}  // namespace stats

#endif  // STATS_PLATFORM_WIN32_ERROR_H_
