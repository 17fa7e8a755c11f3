// The eleven entry points that the host calls, with the host's parameter
// lists. This is the one declaration of the plug-in's boundary:
//  - plugin/exports.cpp defines the C-linkage functions declared here;
//  - tools/gen_exports.py compiles this list with clang's MSVC targets to
//    produce the decorated (MSVC C++) export names in the .def files;
//  - the test hosts take their function-pointer types from it.
//
// The file includes no header at all, so that it can be compiled for an MSVC
// target without MSVC's headers.
#ifndef STATS_PLUGIN_EXPORTS_H_
#define STATS_PLUGIN_EXPORTS_H_

#if defined(_WIN32)
#define STATS_CALL __cdecl
// The host's unsigned positions are 32-bit; "unsigned long" is 32-bit on
// Windows and is the type the decorated names carry.
typedef unsigned long HostUInt;
#else
#define STATS_CALL
typedef unsigned int HostUInt;  // "unsigned long" would be 64-bit here
#endif

class COleDateTime;  // the host's date/time value, log/ole_date.h

typedef const char* HostText;  // read-only text, never kept by the plug-in
typedef char* HostBuffer;      // writable buffer owned by the host
typedef COleDateTime* HostDate;

// The QSO parameter list of AddData0 and RemoveData0 (33 positions).
#define STATS_QSO_PARAMS                                                                           \
  (HostText ownCall, HostText call, HostDate time, HostDate date4, HostDate date5, HostDate date6, \
   HostUInt unsigned7, HostUInt freqHz, HostText mode, HostText rstSent, HostText rstRcvd,         \
   HostText exchSent, HostText exchRcvd, HostText text14, HostText text15, HostText text16,        \
   HostText text17, HostText text18, HostText text19, HostText text20, HostText text21,            \
   HostText text22, HostText prefix, int int24, int int25, int int26, double real27,               \
   double real28, HostText text29, HostText continent, HostText text31, HostText band,             \
   HostText text33)

// The call-check parameter list of CheckCall0 (28 positions).
#define STATS_CHECK_PARAMS                                                                        \
  (HostText call, HostUInt unsigned2, HostUInt unsigned3, HostText mode, HostText text5,          \
   HostText text6, HostText text7, HostText text8, HostText text9, HostText text10,               \
   HostText text11, HostText text12, HostText text13, HostText prefix, int int15, int int16,      \
   int int17, double real18, double real19, HostText text20, HostText continent, HostText text22, \
   HostText text23, HostText county, HostText band, HostText text26, HostBuffer buffer27,         \
   HostBuffer buffer28)

// The reset parameter list of ResetStats0 (23 positions).
#define STATS_RESET_PARAMS                                                                 \
  (HostText text1, int outputSwitch, HostText contestant, HostDate start, HostDate end,    \
   HostText text6, HostText text7, HostText text8, HostText text9, HostText text10,        \
   HostText text11, HostText text12, HostText text13, HostText text14, HostText ownPrefix, \
   int int16, int int17, int int18, double real19, double real20, HostText text21,         \
   HostText ownContinent, HostText text23)

// The exchange-check parameter list of IsValidExchg0 (7 positions).
#define STATS_EXCHANGE_PARAMS \
  (HostText exchange, HostText text2, HostText prefix, HostText text4, int int5, int int6, int int7)

// X(result, export name, decorated function name, entry point, also plain, parameters)
//
// "entry point" is the C-linkage function behind the export: GetExchgCount0
// shares GetNumberOfSets' entry, which is sound because the convention is
// caller-cleans. "also plain" is 0 only for RunCommand0, which the host finds
// by its decorated name alone.
#define STATS_EXPORT_LIST(X)                                                            \
  X(int, GetNumberOfSets, GetNumberOfSets, GetNumberOfSets, 1, ())                      \
  X(HostText, GetSetName, GetSetName, GetSetName, 1, (int setIndex))                    \
  X(int, GetExchgCount0, StatsGetExchgCount0, GetNumberOfSets, 1,                       \
    (HostText text1, HostText text2, HostText text3))                                   \
  X(int, ResetStats0, ResetStats0, ResetStats0, 1, STATS_RESET_PARAMS)                  \
  X(int, AddData0, AddData0, AddData0, 1, STATS_QSO_PARAMS)                             \
  X(int, RemoveData0, RemoveData0, RemoveData0, 1, STATS_QSO_PARAMS)                    \
  X(int, CheckCall0, CheckCallFunc0, CheckCall0, 1, STATS_CHECK_PARAMS)                 \
  X(int, IsValidExchg0, StatsIsValidExchg0, IsValidExchg0, 1, STATS_EXCHANGE_PARAMS)    \
  X(HostText, GetResult0, GetResult0, GetResult0, 1, (int* exportFlag))                 \
  X(HostText, RunCommand0, RunCommand0, RunCommand0, 0, (int unused, HostText command)) \
  X(void, SetupSet0, SetupSet0, SetupSet0, 1, ())

// Function-pointer types in the host's view, for example StatsFn_AddData0.
// "result" is a type, which cannot stand in parentheses.
#define STATS_DECLARE_FN_TYPE(result, name, decorated, entry, plain, params) \
  typedef result(STATS_CALL* StatsFn_##name) params;  // NOLINT(bugprone-macro-parentheses)
STATS_EXPORT_LIST(STATS_DECLARE_FN_TYPE)
#undef STATS_DECLARE_FN_TYPE

#if !defined(STATS_DECORATION_PASS)
#if defined(_WIN32)
#define STATS_API
#else
#define STATS_API __attribute__((visibility("default")))
#endif
extern "C" {
STATS_API int STATS_CALL GetNumberOfSets();
STATS_API HostText STATS_CALL GetSetName(int setIndex);
#if !defined(_WIN32)
// On Windows GetExchgCount0 is an alias of GetNumberOfSets in the .def file.
STATS_API int STATS_CALL GetExchgCount0(HostText text1, HostText text2, HostText text3);
#endif
STATS_API int STATS_CALL ResetStats0 STATS_RESET_PARAMS;
STATS_API int STATS_CALL AddData0 STATS_QSO_PARAMS;
STATS_API int STATS_CALL RemoveData0 STATS_QSO_PARAMS;
STATS_API int STATS_CALL CheckCall0 STATS_CHECK_PARAMS;
STATS_API int STATS_CALL IsValidExchg0 STATS_EXCHANGE_PARAMS;
STATS_API HostText STATS_CALL GetResult0(int* exportFlag);
STATS_API HostText STATS_CALL RunCommand0(int unused, HostText command);
STATS_API void STATS_CALL SetupSet0();
}
#endif

#endif  // STATS_PLUGIN_EXPORTS_H_
