// What the command line asks for. Pure: no Win32, so it also builds natively.
#pragma once

enum LaunchRequest { LAUNCH_MENU = 0, LAUNCH_INSTALL = 1, LAUNCH_DEL = 2, LAUNCH_UNINSTALL = 3 };

// Offset of the tail (what follows the program name and the blanks after it) in
// line[0..len). A quoted name ends after its closing quote, an unquoted one at the
// first byte up to 0x20.
int CommandTailOffset(const char *line, int len);

// Chooses the launch from the tail. For LAUNCH_INSTALL, *sourceAt and *sourceLen
// give the source folder inside the tail: everything from its ninth byte (the byte
// after "Install" is the separator, whatever it is); empty when the tail stops early.
int ParseLaunchTail(const char *tail, int len, int *sourceAt, int *sourceLen);
