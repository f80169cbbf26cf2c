// The install log: one line per created folder and copied file, written out as Setup.dat.
#pragma once

// Empties the log (and allocates its first 10000 bytes).
int ResetInstallLog(void);
// Appends text and ";\r\n"; the log grows as needed, so no entry is dropped.
int AppendInstallLog(const char *text, int length);
// Writes {install}\Setup.dat: the log, then "F Setup.dat;\n" so that the log deletes itself.
int WriteUninstallLog(void);
void FreeInstallLog(void);
