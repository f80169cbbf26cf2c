// The install log: one line per created folder and copied file, written out as Setup.dat.
#pragma once

// Empties the log (and allocates its first 10000 bytes).
int ResetInstallLog(void);
// Appends text and ";\r\n"; the log grows as needed, so no entry is dropped. 0 when there is no
// memory for it, or the journal cannot take it: the caller then makes nothing it names.
int AppendInstallLog(const char *text, int length);
// Makes {install}\Setup.dat the install's journal: from the next appended entry on, each
// entry is written to it at once, after the whole entries of an earlier install's log there.
int OpenInstallJournal(void);
// Has the entries written so far reach the disk: the caller makes nothing an entry names
// before this. 0 when the journal failed (and then fails for good).
int FlushInstallJournal(void);
// 1 once the journal could not be made or written (a full disk): the install run stops.
int InstallJournalFailed(void);
void CloseInstallJournal(void);
// Writes {install}\Setup.dat whole (replacing the journal): the log, then "F Setup.dat;\n"
// so that the log deletes itself.
int WriteUninstallLog(void);
void FreeInstallLog(void);
