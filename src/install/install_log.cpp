#include "install_log.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"

#define LOG_START_SIZE 10000

static const char kLastEntry[] = "F Setup.dat;\n";

// {install}\Setup.dat while the install runs: each entry reaches the file before the thing it
// names is made, so a run killed at any moment leaves a log of everything it made. The file
// is made with the first entry, after what an earlier install's log there names.
static HANDLE s_journal = INVALID_HANDLE_VALUE;
static int s_journalArmed;
static char s_journalPath[PATH_SIZE];

static int WriteAll(HANDLE file, const char *data, DWORD size);
static void StartJournal(void);

int ResetInstallLog(void)
{
    if (!g_state.installLog) {
        g_state.installLog = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, LOG_START_SIZE);
        if (!g_state.installLog) return 0;
        g_state.installLogCapacity = LOG_START_SIZE;
    }
    ZeroMemory(g_state.installLog, g_state.installLogCapacity);
    g_state.installLogLength = 0;
    return 1;
}

int AppendInstallLog(const char *text, int length)
{
    if (!g_state.installLog && !ResetInstallLog()) return 0;
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
    // a journal that fails a write is given up; the log is then written whole at the end
    if (s_journalArmed) StartJournal();
    else if (s_journal != INVALID_HANDLE_VALUE && !WriteAll(s_journal, end, length + 3)) CloseInstallJournal();
    return 1;
}

static int WriteAll(HANDLE file, const char *data, DWORD size)
{
    DWORD put = 0;
    return WriteFile(file, data, size, &put, NULL) && put == size;
}

int OpenInstallJournal(void)
{
    CloseInstallJournal();
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
// whatever the earlier one made and this one has not reached yet is still listed.
static void StartJournal(void)
{
    char *earlier = NULL;
    DWORD earlierSize = 0;
    s_journalArmed = 0;
    if (!ReadWholeFile(s_journalPath, 0x7FFFFFFE, &earlier, &earlierSize)) earlierSize = 0;
    s_journal = SysCreateFile(s_journalPath, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    if (s_journal != INVALID_HANDLE_VALUE) {
        int ok = !earlierSize || WriteAll(s_journal, earlier, earlierSize);
        // an entry cut off by a power cut ends its line before ours start
        if (ok && earlierSize && earlier[earlierSize - 1] != '\n') ok = WriteAll(s_journal, "\r\n", 2);
        if (!ok || !WriteAll(s_journal, g_state.installLog, g_state.installLogLength)) CloseInstallJournal();
    }
    if (earlier) HeapFree(GetProcessHeap(), 0, earlier);
}

// The finished log is written whole, replacing the journal: the entries of this install only.
int WriteUninstallLog(void)
{
    char path[PATH_SIZE];
    CloseInstallJournal();
    if (!JoinPath(path, sizeof path, g_state.installFolder, "Setup.dat")) return 0;
    HANDLE file = SysCreateFile(path, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int ok = WriteAll(file, g_state.installLog ? g_state.installLog : "", g_state.installLogLength);
    ok = WriteAll(file, kLastEntry, sizeof kLastEntry - 1) && ok;
    ok = CloseHandle(file) && ok;
    return ok;
}

void FreeInstallLog(void)
{
    CloseInstallJournal();
    if (g_state.installLog) HeapFree(GetProcessHeap(), 0, g_state.installLog);
    g_state.installLog = NULL;
    g_state.installLogLength = 0;
    g_state.installLogCapacity = 0;
}
