// Runs {source}\Setup.ini against {install}: folders, files in blocks, the install log.
#pragma once
#include <windows.h>

// 1 when the script ran to its end, 0 when Setup.ini cannot be read. Problems with
// single lines are reported and skipped.
int RunScript(void);

// Running total of bytes copied by the current run.
ULONGLONG ScriptBytesCopied(void);
