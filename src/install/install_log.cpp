#include "install_log.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/system_calls.h"

#define LOG_START_SIZE 10000

static const char kLastEntry[] = "F Setup.dat;\n";

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
    return 1;
}

static int WriteAll(HANDLE file, const char *data, DWORD size)
{
    DWORD put = 0;
    return WriteFile(file, data, size, &put, NULL) && put == size;
}

int WriteUninstallLog(void)
{
    char path[PATH_SIZE];
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
    if (g_state.installLog) HeapFree(GetProcessHeap(), 0, g_state.installLog);
    g_state.installLog = NULL;
    g_state.installLogLength = 0;
    g_state.installLogCapacity = 0;
}
