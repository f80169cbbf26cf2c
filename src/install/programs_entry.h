// The game's entry in the system's list of installed programs (Add/Remove Programs on
// the 95/98/Me family, Programs and Features on NT): the key
// Software\Microsoft\Windows\CurrentVersion\Uninstall\{maker} {game stem} {title}.
#pragma once

// Writes the entry under HKLM, or under HKCU where HKLM is closed to the user; 0 when it
// could be written nowhere (reported, and counted against the final report).
int WriteProgramsEntry(void);
// Removes the entry from HKLM and HKCU, wherever it exists.
void RemoveProgramsEntry(void);
// Software\...\Uninstall\ and a key name of at most 255 bytes.
#define PROGRAMS_ENTRY_KEY_SIZE 320

// The key's path below the root: the pair that names the settings file, and the title, so
// two titles never share it (even two of one maker with one game exe) and a reinstall finds
// its own. 0 and an empty buffer when it does not fit.
int ProgramsEntryKey(char *out, int outSize);
// The key's name alone, "{maker} {game stem} {title}": also the title a disc of a title on
// several discs names in its Setup.dsk. 0 and an empty buffer when it does not fit.
int ProgramsEntryName(char *out, int outSize);
