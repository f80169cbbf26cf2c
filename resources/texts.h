// The numbers of the texts the launcher shows, in the string tables of texts.rc (one line in
// each language). The product's own strings are 1 to 8 (product.rc).
#pragma once

// captions
#define TX_CAPTION_ERROR 100
#define TX_CAPTION_REPORT 101
#define TX_CAPTION_CONFIRM 102
#define TX_CAPTION_UNKNOWN_ERROR 103
#define TX_CAPTION_DISC 104
#define TX_CAPTION_MAKE_FOLDER 105
#define TX_CAPTION_FOLDER_FAILED 106

// the menu: the hint strip (a table without painted hints draws these) and the buttons'
// names for screen readers
#define TX_HINT_INSTALL 110
#define TX_HINT_START 111
#define TX_HINT_UNINSTALL 112
#define TX_HINT_EXIT 113
#define TX_BUTTON_INSTALL 114
#define TX_BUTTON_UNINSTALL 115
#define TX_BUTTON_START 116
#define TX_BUTTON_EXIT 117

// start-up, the window, the dialogs and the game
#define TX_NO_PROGRAM_FILES 120
#define TX_INIT_FAILED 121
#define TX_START_FAILED 122
#define TX_GAME_START_FAILED 123
#define TX_DISC_PROMPT 124
#define TX_BAD_ROOT 125
#define TX_BROWSE_TITLE 126
#define TX_FOLDER_UNUSABLE 127
#define TX_FOLDER_TOO_LONG 128

// the install
#define TX_OTHER_TITLE 130
#define TX_NO_SPACE 131
#define TX_MAKE_FOLDER 132
#define TX_FOLDER_FAILED_AGAIN 133
#define TX_PREPARE_FAILED 134
#define TX_NO_INSTALL_FOLDER 135
#define TX_INSTALL_FAILED 136
#define TX_INSTALL_DONE 137
#define TX_INSTALL_DONE_PROBLEMS 138
#define TX_ENTRY_FAILED 139
#define TX_LINK_GAME_FAILED 140
#define TX_LINK_README_FAILED 141
#define TX_LINK_UNINSTALL_FAILED 142
#define TX_NO_MATCH 143
#define TX_FOLDER_FAILED 144
#define TX_SOURCE_MISSING 145
#define TX_SCRIPT_UNREADABLE 146
#define TX_DAMAGED 147
#define TX_LIST_DAMAGED 148
#define TX_NAME_UNUSABLE 149
#define TX_NAME_TOO_LONG 150
// the next disc of a title on several
#define TX_NEXT_DISC 151
#define TX_DISC_OF_OTHER_TITLE 152
#define TX_OTHER_DISC 153

// the uninstall
#define TX_UNINSTALL_START 160
#define TX_UNINSTALL_DONE 161
#define TX_NO_UNINSTALL_INFO 162
#define TX_NO_UNINSTALL_LOG 163
#define TX_UNFINISHED 164
#define TX_FILES_KEPT 165
#define TX_LOG_DAMAGED 166
#define TX_UNINSTALLER_PREPARE_FAILED 167
#define TX_UNINSTALLER_START_FAILED 168
#define TX_REASON_NOT_FOUND 169
#define TX_REASON_IN_USE 170
#define TX_REASON_DISK_FULL 171
#define TX_REASON_NOT_PROGRAM 172
#define TX_REASON_UNKNOWN 173
#define TX_NOT_DELETED 174

// one past the last: the launcher keeps one loaded copy of each
#define TX_END 180
