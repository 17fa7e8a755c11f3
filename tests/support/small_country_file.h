// A small country file in the cty.dat format for the tool's tests: Romania,
// Germany, France, Italy with Sicily (a country of its own only for WAE), and
// the United States.
#ifndef STATS_TESTS_SUPPORT_SMALL_COUNTRY_FILE_H_
#define STATS_TESTS_SUPPORT_SMALL_COUNTRY_FILE_H_

namespace stats {
namespace testing {

inline constexpr char kSmallCountryFile[] =
    "Romania:                  20:  28:  EU:   45.78:   -24.70:    -2.0:  YO:\n"
    "    YO,YP,YQ,YR;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
    "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n"
    "France:                   14:  27:  EU:   46.00:    -2.00:    -1.0:  F:\n"
    "    F;\n"
    "Italy:                    15:  28:  EU:   42.82:   -12.58:    -1.0:  I:\n"
    "    I;\n"
    "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n"
    "    IT9;\n"
    "United States of America: 05:  08:  NA:   37.60:    91.87:     5.0:  K:\n"
    "    AA,K,N,W;\n";

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_SMALL_COUNTRY_FILE_H_
