#include "script_parser.h"
#include "../core/cp932.h"

int NextScriptLine(const char *buf, int len, int *pos, ScriptLine *line)
{
    int at = *pos;
    if (at < 0 || at >= len || buf[at] == 'E') return 0;
    // ';' and line feeds are never trail bytes of code page 932, so a byte scan is safe
    int end = at;
    while (end < len && buf[end] != ';') end++;
    line->text = buf + at;
    line->length = end - at;
    int next = end;
    while (next < len && buf[next] != '\n') next++;
    *pos = next < len ? next + 1 : len;
    return 1;
}

int ScriptLinePath(const ScriptLine *line, char *out, int outSize)
{
    if (outSize <= 0) return -1;
    int length = line->length > 2 ? line->length - 2 : 0;
    out[0] = 0;
    if (length >= outSize) return -1;
    for (int i = 0; i < length; i++) out[i] = line->text[2 + i];
    out[length] = 0;
    return length;
}

int FolderPrefixLength(const char *path, int len)
{
    return LastBackslash(path, len) + 1;
}

int ScriptLineInside(const ScriptLine *line)
{
    int length = line->length - 2;
    if (length <= 0) return 0;
    const char *path = line->text + 2;
    for (int i = 0; i < length; i++)
        if (path[i] == 0) return 0;
    return StaysInside(path, length);
}

int ScriptLineDisc(const ScriptLine *line)
{
    int length = line->length - 2;
    if (line->length < 1 || line->text[0] != 'V' || length < 1 || length > 2) return 0;
    const char *digits = line->text + 2;
    if (digits[0] == '0') return 0;
    int number = 0;
    for (int i = 0; i < length; i++) {
        if (digits[i] < '0' || digits[i] > '9') return 0;
        number = number * 10 + (digits[i] - '0');
    }
    return number;
}
