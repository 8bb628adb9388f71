/* Resource and control ids of the tavixcfg dialog. Plain defines: the
   resource compiler reads this file too. */
#ifndef TAVIX_CONFIGURATOR_RESOURCE_IDS_H
#define TAVIX_CONFIGURATOR_RESOURCE_IDS_H

#define IDD_TAVIXCFG 1001
#define IDI_TAVIXCFG 8001

/* Top row */
#define IDC_I2S_LABEL 4050
#define IDC_I2S 4001
#define IDC_MCLK_LABEL 4073
#define IDC_MCLK 4074
#define IDC_OPEN 4054
#define IDC_VERIFY 4028
#define IDC_SAVE 4011

/* Group boxes */
#define IDC_IRC_GROUP 4086
#define IDC_KBD_GROUP 4087
#define IDC_SIGNALS_GROUP 4102

/* Code fields, by the row they stand in */
#define IDC_CODE_PLAY_PAUSE 4069
#define IDC_CODE_PREV 4067
#define IDC_CODE_NEXT 4060
#define IDC_CODE_STOP_ESCAPE 4058
#define IDC_CODE_ENTER 4061
#define IDC_CODE_BACKWARD 4063
#define IDC_CODE_FORWARD 4065
#define IDC_CODE_AUX 4071
#define IDC_CODE_TIME_MODE 4080
#define IDC_CODE_EXTRA_PLAY 4088
#define IDC_CODE_RANDOM_PLAY 4075
#define IDC_CODE_VOLUME_UP 4103
#define IDC_CODE_VOLUME_DOWN 4104
#define IDC_CODE_MUTE 4105
#define IDC_CODE_HOST_DEVICE 4106
#define IDC_CODE_SLEEP 4107

/* Code field labels */
#define IDC_LABEL_PLAY_PAUSE 4070
#define IDC_LABEL_PREV 4068
#define IDC_LABEL_NEXT 4057
#define IDC_LABEL_STOP_ESCAPE 4059
#define IDC_LABEL_ENTER 4062
#define IDC_LABEL_BACKWARD 4064
#define IDC_LABEL_FORWARD 4066
#define IDC_LABEL_AUX 4072
#define IDC_LABEL_TIME_MODE 4085
#define IDC_LABEL_EXTRA_PLAY 4089
#define IDC_LABEL_RANDOM_PLAY 4113
#define IDC_LABEL_VOLUME_UP 4108
#define IDC_LABEL_VOLUME_DOWN 4109
#define IDC_LABEL_MUTE 4110
#define IDC_LABEL_HOST_DEVICE 4111
#define IDC_LABEL_SLEEP 4112

/* The "=" labels between code and keyboard fields */
#define IDC_EQUALS_0 4114
#define IDC_EQUALS_1 4115
#define IDC_EQUALS_2 4116
#define IDC_EQUALS_3 4117
#define IDC_EQUALS_4 4118
#define IDC_EQUALS_5 4119

/* Keyboard fields, kbd_keys 0 to 5 */
#define IDC_KBD_0 4084
#define IDC_KBD_1 4083
#define IDC_KBD_2 4078
#define IDC_KBD_3 4079
#define IDC_KBD_4 4081
#define IDC_KBD_5 4082

/* Control signals S0 to S5: labels and lists */
#define IDC_S0_LABEL 4091
#define IDC_S1_LABEL 4092
#define IDC_S2_LABEL 4093
#define IDC_S3_LABEL 4094
#define IDC_S4_LABEL 4095
#define IDC_S5_LABEL 4096
#define IDC_S0 4098
#define IDC_S1 4090
#define IDC_S2 4097
#define IDC_S3 4101
#define IDC_S4 4099
#define IDC_S5 4100

/* Check boxes */
#define IDC_HI_RES 4077
#define IDC_USE_SOUND_FOLDER 4076
#define IDC_PLUGIN_OPTION 4120

#endif
