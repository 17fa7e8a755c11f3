// The export layer: each entry point reads the host's parameters (a null
// text reads as empty text, a null date as a null date; texts as views for
// the length of the call, copied only where they are kept), takes the module
// lock, calls one core function and converts its result. Nothing thrown
// inside ever reaches the host: every export catches everything and answers
// with its documented result.
#include "plugin/exports.h"

#include <string>
#include <string_view>

#include "infowindows/info_windows.h"
#include "log/ole_date.h"
#include "plugin/module.h"
#include "plugin/runtime.h"
#include "plugin/session.h"
#include "plugin/setup/setup.h"
#include "scoring/engine.h"

namespace {

using stats::Module;

// Module-wide constant replies; the host never frees returned text.
const char kSetName[] = "YO-DX Contest (C)";
const char kEmpty[] = "";

std::string Text(HostText text) {
  return text != nullptr ? std::string(text) : std::string();
}

// The host's text as it is, for the length of the call.
std::string_view View(HostText text) {
  return text != nullptr ? std::string_view(text) : std::string_view();
}

// Runs the body under the module lock; on any exception answers the fallback,
// and so without running it when the thread has no room to throw.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) noexcept {
  const stats::ExceptionRoom room;
  if (!room.ready()) return fallback;
  try {
    const stats::ExportCall counted;
    Module& module = stats::TheModule();
    std::lock_guard<std::mutex> hold(module.lock);
    return body(module);
  } catch (...) {
    return fallback;
  }
}

// The same for the exports that show a dialog or wait for the window thread:
// the body gets the held lock, to release it around the modal part.
template <typename Result, typename Body>
Result GuardedModal(Result fallback, Body body) noexcept {
  const stats::ExceptionRoom room;
  if (!room.ready()) return fallback;
  try {
    const stats::ExportCall counted;
    Module& module = stats::TheModule();
    std::unique_lock<std::mutex> held(module.lock);
    return body(module, held);
  } catch (...) {
    return fallback;
  }
}

stats::QsoView QsoFrom(HostText ownCall, HostText call, HostDate time, HostUInt freqHz,
                       HostText mode, HostText rstSent, HostText rstRcvd, HostText exchSent,
                       HostText exchRcvd, HostText prefix, HostText continent, HostText band) {
  stats::QsoView qso;
  qso.ownCall = View(ownCall);
  qso.call = View(call);
  qso.time = stats::CopyHostDate(time);
  qso.freqHz = static_cast<uint32_t>(freqHz);
  qso.mode = View(mode);
  qso.rstSent = View(rstSent);
  qso.rstRcvd = View(rstRcvd);
  qso.exchSent = View(exchSent);
  qso.exchRcvd = View(exchRcvd);
  qso.prefix = View(prefix);
  qso.continent = View(continent);
  qso.band = View(band);
  return qso;
}

}  // namespace

extern "C" {

int STATS_CALL GetNumberOfSets() {
  return 1;
}

HostText STATS_CALL GetSetName(int setIndex) {
  return setIndex == 0 ? kSetName : kEmpty;
}

#if !defined(_WIN32)
int STATS_CALL GetExchgCount0(HostText, HostText, HostText) {
  return GetNumberOfSets();
}
#endif

int STATS_CALL ResetStats0(HostText, int outputSwitch, HostText contestant, HostDate start,
                           HostDate end, HostText, HostText, HostText, HostText, HostText, HostText,
                           HostText, HostText, HostText, HostText ownPrefix, int, int, int, double,
                           double, HostText, HostText ownContinent, HostText) {
  return GuardedModal(1, [&](Module& module, std::unique_lock<std::mutex>& held) {
    stats::ResetInput input;
    input.outputSwitch = outputSwitch;
    input.contestant = Text(contestant);
    input.start = stats::CopyHostDate(start);
    input.end = stats::CopyHostDate(end);
    input.ownPrefix = Text(ownPrefix);
    input.ownContinent = Text(ownContinent);
    return stats::ResetStatistics(module, input, held);
  });
}

int STATS_CALL AddData0(HostText ownCall, HostText call, HostDate time, HostDate, HostDate,
                        HostDate, HostUInt, HostUInt freqHz, HostText mode, HostText rstSent,
                        HostText rstRcvd, HostText exchSent, HostText exchRcvd, HostText, HostText,
                        HostText, HostText, HostText, HostText, HostText, HostText, HostText,
                        HostText prefix, int, int, int, double, double, HostText,
                        HostText continent, HostText, HostText band, HostText) {
  return Guarded(0, [&](Module& module) {
    return stats::AddQso(module.contest, *module.files,
                         QsoFrom(ownCall, call, time, freqHz, mode, rstSent, rstRcvd, exchSent,
                                 exchRcvd, prefix, continent, band));
  });
}

int STATS_CALL RemoveData0(HostText ownCall, HostText call, HostDate time, HostDate, HostDate,
                           HostDate, HostUInt, HostUInt freqHz, HostText mode, HostText rstSent,
                           HostText rstRcvd, HostText exchSent, HostText exchRcvd, HostText,
                           HostText, HostText, HostText, HostText, HostText, HostText, HostText,
                           HostText, HostText prefix, int, int, int, double, double, HostText,
                           HostText continent, HostText, HostText band, HostText) {
  return Guarded(0, [&](Module& module) {
    return stats::RemoveQso(module.contest,
                            QsoFrom(ownCall, call, time, freqHz, mode, rstSent, rstRcvd, exchSent,
                                    exchRcvd, prefix, continent, band));
  });
}

int STATS_CALL CheckCall0(HostText call, HostUInt, HostUInt, HostText mode, HostText, HostText,
                          HostText, HostText, HostText, HostText, HostText, HostText, HostText,
                          HostText prefix, int, int, int, double, double, HostText, HostText,
                          HostText, HostText, HostText county, HostText band, HostText, HostBuffer,
                          HostBuffer) {
  return Guarded(1, [&](Module& module) {
    module.windows->RearmRefresh();
    stats::CallCheckView candidate;
    candidate.call = View(call);
    candidate.mode = View(mode);
    candidate.prefix = View(prefix);
    candidate.county = View(county);
    candidate.band = View(band);
    return stats::CheckCall(module.contest, candidate);
  });
}

int STATS_CALL IsValidExchg0(HostText exchange, HostText, HostText prefix, HostText, int, int,
                             int) {
  const stats::ExceptionRoom room;
  if (!room.ready()) return 0;
  try {
    return stats::IsValidExchange(View(exchange), View(prefix));
  } catch (...) {
    return 0;
  }
}

HostText STATS_CALL GetResult0(int* exportFlag) {
  return GuardedModal<HostText>(kEmpty, [&](Module& module, std::unique_lock<std::mutex>& held) {
    return stats::BuildResult(module, exportFlag, held).c_str();
  });
}

HostText STATS_CALL RunCommand0(int, HostText command) {
  GuardedModal(0, [&](Module& module, std::unique_lock<std::mutex>& held) {
    const std::string text = Text(command);
    stats::LockReleased waiting(held);  // opening and closing wait for the window thread
    if (text == "SHOWINFO") module.windows->Open();
    if (text == "HIDEINFO") module.windows->Close();
    return 0;
  });
  return kEmpty;
}

void STATS_CALL SetupSet0() {
  GuardedModal(0, [&](Module& module, std::unique_lock<std::mutex>& held) {
    stats::RunSetup(module, held);
    return 0;
  });
}

}  // extern "C"
