// The install log: one line per created folder and copied file, written out as Setup.dat.
#pragma once

// Empties the log (and allocates its first 10000 bytes).
int ResetInstallLog(void);
// Appends text and ";\r\n"; the log grows as needed, so no entry is dropped.
int AppendInstallLog(const char *text, int length);
// Opens {install}\Setup.dat as the install's journal: from now on each appended entry is
// written to it at once, before the caller makes what it names. 0 when it cannot be made;
// the log is then written whole at the end, as it is when a journal write fails.
int OpenInstallJournal(void);
void CloseInstallJournal(void);
// Ends {install}\Setup.dat with "F Setup.dat;\n", so that the log deletes itself: the
// journal's last entry, or the whole log written afresh without a journal.
int WriteUninstallLog(void);
void FreeInstallLog(void);
