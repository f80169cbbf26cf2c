#include "staged_removal.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"

static int ScheduleViaWininit(const char *const *paths, int count);
static int WininitPath(char *wininit);
static int LoadWininit(const char *wininit, char **text, DWORD *size);

int RemoveStagedUninstaller(void)
{
    char file[PATH_SIZE], folder[PATH_SIZE];
    if (!JoinPath3(file, sizeof file, g_state.commonFolder, g_state.maker, "Setup.exe") ||
        !JoinPath(folder, sizeof folder, g_state.commonFolder, g_state.maker))
        return 0;
    if (IsCdromFolder(g_state.sourceFolder)) {
        SysDeleteFile(file);
        SysRemoveDirectory(folder);
        return 1;
    }
    // the running program is that very file: the system deletes it at its next start
    const char *paths[] = {file, folder};
    return RemoveAtRestart(paths, 2);
}

int RemoveAtRestart(const char *const *paths, int count)
{
    switch (PlatformFamily()) {
    case 2:
        for (int i = 0; i < count; i++) SysMoveFileEx(paths[i], NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        return 1;
    case 1:
        return ScheduleViaWininit(paths, count);
    }
    return 0;
}

static int IsSectionLine(const char *line, int length, const char *name)
{
    int i = 0;
    while (i < length && (line[i] == ' ' || line[i] == '\t')) i++;
    if (i >= length || line[i] != '[') return 0;
    i++;
    for (int k = 0; name[k]; k++, i++) {
        if (i >= length) return 0;
        char a = line[i], b = name[k];
        if (a >= 'A' && a <= 'Z') a += 32;
        if (a != b) return 0;
    }
    return i < length && line[i] == ']';
}

int AddWininitDeletions(const char *text, int length, const char *const *paths, int count,
                        char *out, int outSize)
{
    // find where [rename] ends: the start of the next section, or the end of the text
    int insertAt = -1, pos = 0, inRename = 0;
    while (pos < length) {
        int end = pos;
        while (end < length && text[end] != '\n') end++;
        int lineLen = end - pos;
        if (lineLen > 0 && text[pos + lineLen - 1] == '\r') lineLen--;
        int isSection = 0;
        for (int i = pos; i < pos + lineLen; i++) {
            if (text[i] == ' ' || text[i] == '\t') continue;
            isSection = text[i] == '[';
            break;
        }
        if (isSection) {
            if (inRename && insertAt < 0) insertAt = pos;
            inRename = IsSectionLine(text + pos, lineLen, "rename");
        }
        pos = end < length ? end + 1 : length;
    }
    if (inRename && insertAt < 0) insertAt = length;
    int needSection = insertAt < 0;
    if (needSection) insertAt = length;

    int used = 0;
    auto put = [&](const char *s, int n) {
        if (used + n > outSize) return 0;
        for (int i = 0; i < n; i++) out[used + i] = s[i];
        used += n;
        return 1;
    };
    if (!put(text, insertAt)) return -1;
    if (used > 0 && out[used - 1] != '\n' && !put("\r\n", 2)) return -1;
    if (needSection && !put("[rename]\r\n", 10)) return -1;
    for (int i = 0; i < count; i++) {
        if (!put("NUL=", 4) || !put(paths[i], lstrlenA(paths[i])) || !put("\r\n", 2)) return -1;
    }
    if (!put(text + insertAt, length - insertAt)) return -1;
    return used;
}

// wininit.ini is there only on Windows 95/98/Me, where names cross to the system as they are.
// The profile functions keep one value per key, so the NUL lines are written by
// hand; WININIT.EXE runs in DOS before long names exist, hence the 8.3 paths.
#define RESTART_PATHS_MAX 16

static int ScheduleViaWininit(const char *const *paths, int count)
{
    char wininit[PATH_SIZE], shortPaths[RESTART_PATHS_MAX][PATH_SIZE];
    const char *lines[RESTART_PATHS_MAX];
    if (count > RESTART_PATHS_MAX) count = RESTART_PATHS_MAX;
    if (!WininitPath(wininit)) return 0;
    for (int i = 0; i < count; i++) {
        DWORD n = GetShortPathNameA(paths[i], shortPaths[i], PATH_SIZE);
        if (n == 0 || n >= PATH_SIZE) lstrcpyA(shortPaths[i], paths[i]);
        lines[i] = shortPaths[i];
    }
    return ScheduleRestartDeletions(wininit, lines, count);
}

int ScheduleRestartDeletions(const char *wininit, const char *const *paths, int count)
{
    char *old = NULL, *text = NULL;
    DWORD oldSize = 0;
    int ok = 0;
    if (!LoadWininit(wininit, &old, &oldSize)) return 0;
    int outSize = (int)oldSize + count * (PATH_SIZE + 8) + 16;
    text = (char *)HeapAlloc(GetProcessHeap(), 0, outSize);
    int newLen = text ? AddWininitDeletions(old ? old : "", (int)oldSize, paths, count, text, outSize) : -1;
    // the new version is whole on disk before the old one leaves its name
    if (newLen >= 0) ok = ReplaceWholeFile(wininit, text, newLen);
    if (text) HeapFree(GetProcessHeap(), 0, text);
    if (old) HeapFree(GetProcessHeap(), 0, old);
    return ok;
}

int KeepAtRestart(const char *const *paths, int count, int *taken)
{
    int found[2 * RESTART_PATHS_MAX];
    if (count > RESTART_PATHS_MAX) count = RESTART_PATHS_MAX;
    for (int i = 0; i < count; i++) taken[i] = 0;
    switch (PlatformFamily()) {
    case 2:
        return CancelDelayedDeletions(paths, count, taken);
    case 1: {
        char wininit[PATH_SIZE], shortPaths[RESTART_PATHS_MAX][PATH_SIZE], *old = NULL;
        const char *lines[2 * RESTART_PATHS_MAX];
        DWORD oldSize = 0;
        if (!WininitPath(wininit) || !LoadWininit(wininit, &old, &oldSize)) return 0;
        if (!old) return 1;  // nothing is scheduled
        // the lines name the short forms; a path written long is taken off too
        for (int i = 0; i < count; i++) {
            DWORD n = GetShortPathNameA(paths[i], shortPaths[i], PATH_SIZE);
            if (n == 0 || n >= PATH_SIZE) lstrcpyA(shortPaths[i], paths[i]);
            lines[2 * i] = shortPaths[i];
            lines[2 * i + 1] = paths[i];
        }
        int newLen = DropWininitDeletions(old, (int)oldSize, lines, 2 * count, found);
        for (int i = 0; i < count; i++) taken[i] = found[2 * i] | found[2 * i + 1];
        int ok = newLen == (int)oldSize || ReplaceWholeFile(wininit, old, (DWORD)newLen);
        HeapFree(GetProcessHeap(), 0, old);
        return ok;
    }
    }
    return 0;
}

int DropWininitDeletions(char *text, int length, const char *const *paths, int count, int *taken)
{
    int pos = 0, to = 0, inRename = 0;
    for (int i = 0; i < count; i++) taken[i] = 0;
    while (pos < length) {
        int end = pos;
        while (end < length && text[end] != '\n') end++;
        int next = end < length ? end + 1 : length;
        int lineLen = end - pos;
        if (lineLen > 0 && text[pos + lineLen - 1] == '\r') lineLen--;
        int first = pos;
        while (first < pos + lineLen && (text[first] == ' ' || text[first] == '\t')) first++;
        int drop = 0;
        if (first < pos + lineLen && text[first] == '[') {
            inRename = IsSectionLine(text + pos, lineLen, "rename");
        } else if (inRename && pos + lineLen - first > 4 && SameTextNoCase(text + first, 4, "NUL=")) {
            // one of ours: a NUL line whose value is one of the paths, in either case
            int value = first + 4, valueEnd = pos + lineLen;
            while (valueEnd > value && (text[valueEnd - 1] == ' ' || text[valueEnd - 1] == '\t')) valueEnd--;
            for (int i = 0; i < count && !drop; i++)
                if (SameTextNoCase(text + value, valueEnd - value, paths[i])) drop = taken[i] = 1;
        }
        if (!drop) {
            for (int i = pos; i < next; i++) text[to++] = text[i];
        }
        pos = next;
    }
    return to;
}

// {windows}\wininit.ini into a path buffer; 0 when the Windows folder is not known or too long.
static int WininitPath(char *wininit)
{
    char windows[PATH_SIZE];
    UINT got = GetWindowsDirectoryA(windows, sizeof windows);
    if (got == 0 || got >= sizeof windows) return 0;
    int len = lstrlenA(windows);
    const char *name = EndsWithBackslash(windows, len) ? "wininit.ini" : "\\wininit.ini";
    if (len + lstrlenA(name) + 1 > PATH_SIZE) return 0;
    lstrcpyA(wininit, windows);
    lstrcatA(wininit, name);
    return 1;
}

// The restart file whole, or NULL with 1 when it is not there; 0 when it is there but cannot
// be read, so that it is never written anew from nothing.
static int LoadWininit(const char *wininit, char **text, DWORD *size)
{
    // a line another program has just written through the profile functions may still be
    // only in the system's cache
    FlushProfileCache(wininit);
    if (ReadWholeFile(wininit, 0x1000000, text, size)) return 1;
    DWORD error = GetLastError();
    *text = NULL;
    *size = 0;
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
