// What the command line asks for. Pure: no Win32, so it also builds natively.
#pragma once

enum LaunchRequest {
    LAUNCH_MENU = 0,
    LAUNCH_INSTALL = 1,
    LAUNCH_DEL = 2,
    LAUNCH_UNINSTALL = 3,
    LAUNCH_BAD_SWITCH = 4  // a switch it does not know, or one without its value: nothing runs
};

// The languages the launcher speaks, as the system numbers them (LANGID).
#define LANGUAGE_JAPANESE 0x0411
#define LANGUAGE_ENGLISH 0x0409

// The unattended switches after the launch word (after "Install"'s source folder too), in
// any case: "/S", "/LOG=<file>" (quoted when it holds blanks) and "/D=<root>", the last,
// which takes the rest of the tail. Offsets are into the tail; a length 0 means not given.
// "/LANG=ja" or "/LANG=en" (language, 0 when not given) goes with or without "/S".
struct LaunchSwitches {
    int quiet;
    int logAt, logLen;
    int rootAt, rootLen;
    int language;
};

// Offset of the tail (what follows the program name and the blanks after it) in
// line[0..len). A quoted name ends after its closing quote, an unquoted one at the
// first byte up to 0x20.
int CommandTailOffset(const char *line, int len);

// Chooses the launch from the tail. For LAUNCH_INSTALL, *sourceAt and *sourceLen
// give the source folder inside the tail: everything from its ninth byte (the byte
// after "Install" is the separator, whatever it is) up to the switches; empty when the
// tail stops early. The switches begin at the first "/" at the start of the tail or after
// a blank (no path holds a "/" there, and no trail byte of code page 932 is a "/" or a
// blank); without one the tail means what it always meant. With one, every switch must be
// known and "/S" among them, but for "/LANG=" alone; "/D=" goes only with the menu's empty
// word and must name a root from its drive ("X:\..."); otherwise LAUNCH_BAD_SWITCH.
int ParseLaunchTail(const char *tail, int len, int *sourceAt, int *sourceLen, LaunchSwitches *switches);

// Appends to out (NUL-terminated, outSize bytes in all) the switches that pass a quiet run
// on to the next process: " /S", and " /LOG=\"<file>\"" when logFile is not empty. Nothing
// without quiet. 0, and out as it was, when they do not fit.
int AppendQuietSwitches(char *out, int outSize, int quiet, const char *logFile);

// The language to show: the one asked for (a LANGUAGE_ code, 0 for none); else Japanese on a
// system whose language (a LANGID) is Japanese, English on any other when the disc has the
// title's English strings, and Japanese when it has not.
int ChooseLanguage(int requested, unsigned systemLanguage, int discHasEnglish);
