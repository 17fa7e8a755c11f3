// Renders the plug-in's dialogs and windows for the README: drives the real
// Stats.dll through its exports as the host would (with a stand-in for the
// host's automation object), and saves each window, as the screen shows it,
// to a BMP file in the folder given.
//   stats_screenshots.exe OUTDIR LOG CTY
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "log/ole_date.h"
#include "tests/wine/fake_host.h"
#include "tools/plugin_loader.h"
#include "tools/replay/replay.h"

namespace {

// The window rectangle of a top-level window as a 24-bit BMP file.
bool SaveWindow(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

// Waits up to five seconds for a visible window with this caption.
// Serves this thread's messages meanwhile: the host's object lives here.
HWND WaitForWindow(const char* caption) {
  HWND window = nullptr;
  if (stats::testing::PumpUntil(5000, [&] {
        window = FindWindowA(nullptr, caption);
        return window != nullptr && IsWindowVisible(window);
      })) {
    return window;
  }
  std::fprintf(stderr, "screenshots: no window \"%s\"\n", caption);
  return nullptr;
}

// Waits for a visible window with this caption, lets it paint, saves it and
// closes it with the given command.
std::thread Capture(const char* caption, const std::string& path, WPARAM command,
                    std::atomic<int>* failures) {
  return std::thread([=] {
    for (int i = 0; i < 500; ++i) {
      HWND window = FindWindowA(nullptr, caption);
      if (window != nullptr && IsWindowVisible(window)) {
        Sleep(500);
        if (!SaveWindow(window, path)) ++*failures;
        PostMessageA(window, WM_COMMAND, command, 0);
        return;
      }
      Sleep(20);
    }
    std::fprintf(stderr, "screenshots: no window \"%s\"\n", caption);
    ++*failures;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: stats_screenshots OUTDIR LOG CTY\n");
    return 2;
  }
  const std::string out = argv[1];
  stats::tools::LoadedPlugin plugin;
  std::string error;
  if (!plugin.Load("", &error)) {
    std::fprintf(stderr, "screenshots: %s\n", error.c_str());
    return 1;
  }
  const stats::tools::PluginExports& x = plugin.exports();

  // A station's stored header, as the operator left it at the last contest.
  CreateDirectoryA("Plugins", nullptr);
  const char* const kSettings[][2] = {{"Operators", "YO3ABC<CR><LF>YO3XYZ"},
                                      {"Name", "Ion Popescu"},
                                      {"Address", "Str. Exemplu 1"},
                                      {"Address-City", "Bucuresti"},
                                      {"Address-PostalCode", "010101"},
                                      {"Address-Country", "Romania"},
                                      {"Email", "yo3abc@example.ro"},
                                      {"Club", "Radio Club Bucuresti"},
                                      {"SoapBox", "Great conditions on 20m.<CR><LF>73!"},
                                      {"Loc", "KN34BK"},
                                      {"Claimed", "3661858"},
                                      {"Multiplier", "1"}};
  for (const auto& kv : kSettings) {
    WritePrivateProfileStringA("Settings", kv[0], kv[1], "Plugins\\RE-RA-Dediroz.ini");
  }

  std::atomic<int> failures{0};
  COleDateTime start{44415.5, COleDateTime::kValid}, end{44416.5, COleDateTime::kValid};
  std::thread header =
      Capture("Romanian DX Contest", out + "\\header-dialog.bmp", IDCANCEL, &failures);
  x.ResetStats0("", 1, "YO3ABC", &start, &end, "", "", "", "", "", "", "", "", "", "YO", 0, 0, 0,
                0.0, 0.0, "", "EU", "");
  header.join();

  std::thread setup = Capture("Setup YO-DX", out + "\\setup-dialog.bmp", IDCANCEL, &failures);
  x.SetupSet0();
  setup.join();

  // The information windows over a replayed weekend, the host's entry field
  // holding a worked call, then empty, the radio on 20 m.
  stats::testing::FakeHost host(false);
  host.SetFrequency(14100000);
  host.SetCall("YO8RFS");
  yodx::ReplayOptions options;
  options.log_path = argv[2];
  options.cty_path = argv[3];
  options.exports = &x;
  yodx::Replay replay(options);
  if (!replay.Run(&error)) {
    std::fprintf(stderr, "screenshots: %s\n", error.c_str());
    return 1;
  }
  x.RunCommand0(0, "SHOWINFO");
  HWND dxcc = WaitForWindow("YO-DX 2021 worked with YO8RFS");
  HWND county = WaitForWindow("YO-DX CNT on 20m 40 of 20");
  stats::testing::PumpFor(500);
  if (dxcc == nullptr || !SaveWindow(dxcc, out + "\\dxcc-window-grid.bmp")) ++failures;
  if (county == nullptr || !SaveWindow(county, out + "\\county-window.bmp")) ++failures;
  host.SetCall("");
  char b27[64], b28[64];
  x.CheckCall0("", 0, 0, "CW", "", "", "", "", "", "", "", "", "", "", 0, 0, 0, 0.0, 0.0, "", "",
               "", "", "", "20m", "", b27, b28);
  dxcc = WaitForWindow("YO-DX 20m");
  stats::testing::PumpFor(500);
  if (dxcc == nullptr || !SaveWindow(dxcc, out + "\\dxcc-window-list.bmp")) ++failures;
  x.RunCommand0(0, "HIDEINFO");
  return failures == 0 ? 0 : 1;
}
