#include "install_log.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "log_parser.h"

#define LOG_START_SIZE 10000

static const char kLastEntry[] = "F Setup.dat;\n";

// {install}\Setup.dat while the install runs: each entry is written at once, and reaches the
// disk (FlushInstallJournal) before the thing it names is made, so a run killed or cut off
// at any moment leaves a log of everything it made; at worst its last entry is cut, and
// names nothing made. The file is made with the first entry, after what an earlier
// install's log there names.
static HANDLE s_journal = INVALID_HANDLE_VALUE;
static int s_journalArmed;
static int s_journalFailed;
static char s_journalPath[PATH_SIZE];

static int StartJournal(void);

int ResetInstallLog(void)
{
    if (!g_state.installLog) {
        g_state.installLog = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, LOG_START_SIZE);
        if (!g_state.installLog) return 0;
        g_state.installLogCapacity = LOG_START_SIZE;
    }
    ZeroMemory(g_state.installLog, g_state.installLogCapacity);
    g_state.installLogLength = 0;
    s_journalFailed = 0;
    return 1;
}

int AppendInstallLog(const char *text, int length)
{
    if (s_journalFailed || (!g_state.installLog && !ResetInstallLog())) return 0;
    if (length < 0 || length > 0x7FFFFFFF - 4 - g_state.installLogLength) return 0;
    int need = g_state.installLogLength + length + 3 + 1;
    if (need > g_state.installLogCapacity) {
        int capacity = g_state.installLogCapacity;
        while (capacity < need) {
            if (capacity > 0x3FFFFFFF) return 0;  // twice that is no int
            capacity *= 2;
        }
        char *grown = (char *)HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, g_state.installLog,
                                          capacity);
        if (!grown) return 0;
        g_state.installLog = grown;
        g_state.installLogCapacity = capacity;
    }
    char *end = g_state.installLog + g_state.installLogLength;
    CopyMemory(end, text, length);
    CopyMemory(end + length, ";\r\n", 3);
    end[length + 3] = 0;
    g_state.installLogLength += length + 3;
    // a journal that cannot take the entry fails it: the caller makes nothing it would name
    if (s_journalArmed) {
        if (!StartJournal()) s_journalFailed = 1;
    } else if (s_journal != INVALID_HANDLE_VALUE && !WriteAll(s_journal, end, length + 3)) {
        s_journalFailed = 1;
    }
    if (s_journalFailed) {
        CloseInstallJournal();
        g_state.installLogLength -= length + 3;
        g_state.installLog[g_state.installLogLength] = 0;
        return 0;
    }
    return 1;
}

// One flush costs as much as copying a few megabytes (2.5 ms each under Wine): the copier
// names a whole line's files first and has them reach the disk together.
int FlushInstallJournal(void)
{
    if (s_journalFailed) return 0;
    if (s_journal == INVALID_HANDLE_VALUE || FlushFileBuffers(s_journal)) return 1;
    CloseInstallJournal();
    s_journalFailed = 1;
    return 0;
}

int InstallJournalFailed(void)
{
    return s_journalFailed;
}

int OpenInstallJournal(void)
{
    CloseInstallJournal();
    s_journalFailed = 0;
    s_journalArmed = JoinPath(s_journalPath, sizeof s_journalPath, g_state.installFolder, "Setup.dat");
    return s_journalArmed;
}

void CloseInstallJournal(void)
{
    if (s_journal != INVALID_HANDLE_VALUE) CloseHandle(s_journal);
    s_journal = INVALID_HANDLE_VALUE;
    s_journalArmed = 0;
}

// An earlier install's log stays at the head of the journal: until this install is finished,
// whatever the earlier one made and this one has not reached yet is still listed. It is kept
// in place, never written anew, so that a cut here loses none of it; an entry a cut left
// unfinished at its end goes first, so that ours never join it. 0 when the journal failed.
static int StartJournal(void)
{
    char *earlier = NULL;
    DWORD earlierSize = 0, whole = 0;
    int ok = 0;
    s_journalArmed = 0;
    if (!ReadWholeFile(s_journalPath, 0x7FFFFFFE, &earlier, &earlierSize)) {
        DWORD error = GetLastError();
        // one there that cannot be read is never written over
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return 0;
        earlierSize = 0;
    }
    if (earlierSize) whole = (DWORD)WholeLogLength(earlier, (int)earlierSize);
    s_journal = SysCreateFile(s_journalPath, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    if (s_journal == INVALID_HANDLE_VALUE) goto done;
    if (SetFilePointer(s_journal, (LONG)whole, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(s_journal))
        goto done;
    // a last line whole but for its line feed gets one before ours start
    if (whole && earlier[whole - 1] != '\n' && !WriteAll(s_journal, "\r\n", 2)) goto done;
    ok = WriteAll(s_journal, g_state.installLog, g_state.installLogLength);
done:
    if (earlier) HeapFree(GetProcessHeap(), 0, earlier);
    return ok;
}

// The finished log is written whole, replacing the journal: the entries of this install only.
// The journal stays whole until the new log is.
int WriteUninstallLog(void)
{
    char path[PATH_SIZE];
    CloseInstallJournal();
    if (!JoinPath(path, sizeof path, g_state.installFolder, "Setup.dat")) return 0;
    int length = g_state.installLogLength, size = length + (int)sizeof kLastEntry - 1;
    char *text = (char *)HeapAlloc(GetProcessHeap(), 0, size);
    if (!text) return 0;
    if (length) CopyMemory(text, g_state.installLog, length);
    CopyMemory(text + length, kLastEntry, sizeof kLastEntry - 1);
    int ok = ReplaceWholeFile(path, text, (DWORD)size);
    HeapFree(GetProcessHeap(), 0, text);
    return ok;
}

void FreeInstallLog(void)
{
    CloseInstallJournal();
    s_journalFailed = 0;
    if (g_state.installLog) HeapFree(GetProcessHeap(), 0, g_state.installLog);
    g_state.installLog = NULL;
    g_state.installLogLength = 0;
    g_state.installLogCapacity = 0;
}
