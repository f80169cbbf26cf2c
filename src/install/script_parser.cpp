#include "script_parser.h"

int NextScriptLine(const char *buf, int len, int *pos, ScriptLine *line)
{
    int at = *pos;
    if (at >= len || buf[at] == 'E') return 0;
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
