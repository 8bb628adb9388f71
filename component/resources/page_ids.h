// Resource and control ids of the preferences page. Plain defines, so that
// the resource compiler and the C++ code read the same header.
#pragma once

#define IDD_TAVIX_PAGE 102

#define IDC_ENABLE 1003
#define IDC_LEARN_PLAY 1011
#define IDC_LEARN_PAUSE 1012
#define IDC_LEARN_STOP 1013
#define IDC_LEARN_PREVIOUS 1014
#define IDC_LEARN_NEXT 1015
#define IDC_LEARN_NEXT_RANDOM 1016
#define IDC_LEARN_VOLUME_UP 1017
#define IDC_LEARN_VOLUME_DOWN 1018
#define IDC_LEARN_MUTE 1019
#define IDC_LEARN_GROUP 1022
#define IDC_LEARN_FORWARD 1026
#define IDC_LEARN_BACKWARD 1027
