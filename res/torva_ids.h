/* Identifiers shared by the program's code and its resource script.
 *
 * A command code is one byte: the same number is the control id of its
 * button, the command id of its accelerators and the character code of its
 * key, so a typed "7", a click on the "7" button and a pasted "7" all arrive
 * as CMD_DIGIT_7. Plain #defines only: the resource compiler reads this file
 * too, and the engine includes it without any Windows header. */
#ifndef TORVA_IDS_H
#define TORVA_IDS_H

/* Command codes */
#define CMD_BACKSPACE      8
#define CMD_ENTER          13
#define CMD_MULTIPLY       42
#define CMD_ADD            43
#define CMD_SUBTRACT       45
#define CMD_POINT          46
#define CMD_DIVIDE         47
#define CMD_DIGIT_0        48
#define CMD_DIGIT_1        49
#define CMD_DIGIT_2        50
#define CMD_DIGIT_3        51
#define CMD_DIGIT_4        52
#define CMD_DIGIT_5        53
#define CMD_DIGIT_6        54
#define CMD_DIGIT_7        55
#define CMD_DIGIT_8        56
#define CMD_DIGIT_9        57
#define CMD_HELP           122
#define CMD_ABOUT          123
#define CMD_EXIT           124
#define CMD_SOUND          150
/* Keys only: each makes one display line announce itself to screen readers */
#define CMD_ANNOUNCE_X     160
#define CMD_ANNOUNCE_Y     161
#define CMD_ANNOUNCE_Z     162
#define CMD_ANNOUNCE_T     163
#define CMD_POWER          176
#define CMD_RECIPROCAL     177
#define CMD_CHANGE_SIGN    178
#define CMD_SQRT           179
#define CMD_DROP           180
#define CMD_COPY           181
#define CMD_CLEAR          182
#define CMD_SWAP           183
#define CMD_PASTE          184
#define CMD_SQUARE         186

/* Command of the shadowed second Alt+y accelerator; it never fires. */
#define CMD_UNUSED_ALT_Y   125

/* Controls of the main panel that are not command buttons */
#define IDC_STACK_FRAME    184
#define IDC_LINE_X         190
#define IDC_LINE_Y         191
#define IDC_LINE_Z         192
#define IDC_LINE_T         193

/* Sound dialog */
#define IDC_SOUND_ON       101
#define IDC_SOUND_OFF      102

/* About box */
#define IDC_ABOUT_MAKER        105
#define IDC_ABOUT_ADDRESS1     106
#define IDC_ABOUT_ADDRESS2     107
#define IDC_ABOUT_NOTICE4      109
#define IDC_ABOUT_TITLE        114
#define IDC_ABOUT_LEGAL        115
#define IDC_ABOUT_AUTHOR       116
#define IDC_ABOUT_RIGHTS       117
#define IDC_ABOUT_ICON         118
#define IDC_ABOUT_NOTICE1      119
#define IDC_ABOUT_NOTICE2      120
#define IDC_ABOUT_NOTICE3      121
#define IDC_ABOUT_VERSION      122

/* The OK buttons of both boxes carry the cancel id, so Escape, Enter and
 * OK all close a box the same way. */
#define IDC_BOX_OK         2

/* String table */
#define IDS_CLASS_NAME       0
#define IDS_TITLE            5
#define IDS_NO_TIMER         20
#define IDS_NO_DIALOG        21
#define IDS_OVERFLOW         30
#define IDS_DIVIDE_BY_ZERO   31
#define IDS_NEGATIVE_ROOT    32
#define IDS_NUMERICAL_ERROR  33
#define IDS_TOO_FEW_NUMBERS  34
#define IDS_STACK_FULL       36
#define IDS_PASTE_FAILED     37
#define IDS_SOUND_KEY        38
/* Names screen readers speak for buttons whose captions are symbols */
#define IDS_NAME_CHANGE_SIGN 40
#define IDS_NAME_SQRT        41
#define IDS_NAME_SQUARE      42
#define IDS_NAME_RECIPROCAL  43
#define IDS_NAME_DIVIDE      44
#define IDS_NAME_POWER       45
#define IDS_NAME_MULTIPLY    46
#define IDS_NAME_SUBTRACT    47
#define IDS_NAME_POINT       48
#define IDS_NAME_BACKSPACE   49
#define IDS_NAME_ADD         50
#define IDS_MODULE_NAME      10000
#define IDS_ERROR_CAPTION    10001
#define IDS_FATAL_CAPTION    10002
#define IDS_GDI_ERROR        10003
#define IDS_COPY_FAILED      10004
#define IDS_INI_FILE         10005
#define IDS_NO_ACCELERATORS  10007
#define IDS_HELP_FILE        10008
#define IDS_HELP_ERROR       10009
#define IDS_SETTINGS_FOLDER  10010
#define IDS_SETTINGS_NOT_SAVED 10011
#define IDS_HELP_PAGE        10012

#endif
