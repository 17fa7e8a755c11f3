/* Identifiers of the plug-in's resources: dialog templates, their controls
   and the icon. Shared by the resource script and the C++ sources. */
#ifndef STATS_RESOURCES_RESOURCE_H_
#define STATS_RESOURCES_RESOURCE_H_

/* Cabrillo header dialog */
#define IDD_CABRILLO 101
#define IDC_SOAPBOX 1001
#define IDC_ADDRESS 1002
#define IDC_CITY 1003
#define IDC_EMAIL 1004
#define IDC_CLUB 1005
#define IDC_OPERATORS 1006
#define IDC_NAME 1007
#define IDC_CLAIMED 1008
#define IDC_CONTEST 1009
#define IDC_CALLSIGN 1010
#define IDC_POSTALCODE 1011
#define IDC_COUNTRY 1012
#define IDC_CAT_OPERATOR 1013
#define IDC_CAT_BAND 1118
#define IDC_LOCATION 1121
#define IDC_CAT_TRANSMITTER 1122
#define IDC_CAT_MODE 1123
#define IDC_CAT_POWER 1125

/* Setup dialog */
#define IDD_SETUP 105
#define IDC_MASTER_FILE 1014
#define IDC_MULTIPLIER_WINDOW 1106

/* Information windows */
#define IDD_COUNTY 106
#define IDD_DXCC 108
#define IDC_DXCC_INFO 1003

/* Icon of the dialogs and windows */
#define IDI_STATS 110

#endif /* STATS_RESOURCES_RESOURCE_H_ */
