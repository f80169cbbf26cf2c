#include "layout.h"
#include "cp932.h"
#include "state.h"
#include "../platform/system_calls.h"
#include <shlwapi.h>

int LoadProductStrings(void)
{
    char required[PATH_SIZE];
    HINSTANCE self = g_state.instance;
    SysLoadString(self, 2, g_state.maker, PATH_SIZE);
    SysLoadString(self, 3, g_state.gameExe, PATH_SIZE);
    SysLoadString(self, 4, g_state.installFolder, PATH_SIZE);
    SysLoadString(self, 5, g_state.brand, PATH_SIZE);
    SysLoadString(self, 6, g_state.title, PATH_SIZE);
    SysLoadString(self, 7, g_state.readme, PATH_SIZE);
    required[0] = 0;
    SysLoadString(self, 8, required, PATH_SIZE);
    g_state.requiredMB = ParseDecimal(required);
    return 1;
}

static int JoinParts(char *out, int outSize, const char *const *parts, int count)
{
    int used = 0;
    for (int i = 0; i < count; i++) {
        int len = lstrlenA(parts[i]);
        int need = used + (i ? 1 : 0) + len;
        if (need + 1 > outSize) {
            if (outSize > 0) out[0] = 0;
            return 0;
        }
        if (i) out[used++] = '\\';
        CopyMemory(out + used, parts[i], len);
        used += len;
    }
    out[used] = 0;
    return 1;
}

int JoinPath(char *out, int outSize, const char *a, const char *b)
{
    const char *parts[] = {a, b};
    return JoinParts(out, outSize, parts, 2);
}

int JoinPath3(char *out, int outSize, const char *a, const char *b, const char *c)
{
    const char *parts[] = {a, b, c};
    return JoinParts(out, outSize, parts, 3);
}

int JoinPath4(char *out, int outSize, const char *a, const char *b, const char *c, const char *d)
{
    const char *parts[] = {a, b, c, d};
    return JoinParts(out, outSize, parts, 4);
}

int CopyText(char *out, int outSize, const char *text)
{
    const char *parts[] = {text};
    return JoinParts(out, outSize, parts, 1);
}

void CopyTextCut(char *out, int outSize, const char *text, int length)
{
    int len = length < 0 ? lstrlenA(text) : length;
    if (len > outSize - 1) {
        // never end on half a character
        int i = 0;
        while (i < outSize - 1) {
            int step = IsCp932Lead((unsigned char)text[i]) ? 2 : 1;
            if (i + step > outSize - 1) break;
            i += step;
        }
        len = i;
    }
    CopyMemory(out, text, len);
    out[len] = 0;
}

int SettingsPath(char *out, int outSize)
{
    if (!JoinPath3(out, outSize, g_state.commonFolder, g_state.maker, g_state.gameExe)) return 0;
    // as the shell's rule ever did, the name leaves room for ".ini" after it whole
    if (lstrlenA(out) + 5 > outSize || !RenameExtension(out, outSize, ".ini")) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

int CreateNestedFolder(const char *path)
{
    char prefix[PATH_SIZE];
    int len = lstrlenA(path);
    if (len > PATH_SIZE - 1) return 0;
    int pos = NextBackslash(path, len, 0);
    if (pos < 0) return SysPathIsDirectory(path) ? 1 : 0;
    pos++;  // just after the drive root's backslash
    while (pos < len) {
        int next = NextBackslash(path, len, pos);
        pos = next < 0 ? len : next + 1;
        CopyMemory(prefix, path, pos);
        prefix[pos] = 0;
        if (!SysCreateDirectory(prefix) && !SysPathIsDirectory(prefix)) return 0;
    }
    return 1;
}

int ParseDecimal(const char *text)
{
    const char *p = text;
    int sign = 1;
    long long value = 0;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
    if (*p == '+' || *p == '-') {
        if (*p == '-') sign = -1;
        p++;
    }
    while (*p >= '0' && *p <= '9') {
        if (value < 0x7FFFFFFF) value = value * 10 + (*p - '0');
        p++;
    }
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
    return (int)(sign * value);
}
