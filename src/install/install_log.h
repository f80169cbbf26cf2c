// The install log: one line per created folder and copied file, written out as Setup.dat.
#pragma once

// Empties the log (and allocates its first 10000 bytes).
int ResetInstallLog(void);
// Appends text and ";\r\n"; the log grows as needed, so no entry is dropped.
int AppendInstallLog(const char *text, int length);
// Makes {install}\Setup.dat the install's journal: from the next appended entry on, each
// entry is written to it at once, before the caller makes what it names, after the entries
// of an earlier install's log there. A journal that cannot be made or written is given up.
int OpenInstallJournal(void);
void CloseInstallJournal(void);
// Writes {install}\Setup.dat whole (replacing the journal): the log, then "F Setup.dat;\n"
// so that the log deletes itself.
int WriteUninstallLog(void);
void FreeInstallLog(void);
