#include "command_line.h"

int CommandTailOffset(const char *line, int len)
{
    int i = 0;
    if (len > 0 && line[0] == '"') {
        i = 1;
        while (i < len && line[i] != '"') i++;
        if (i < len) i++;  // the closing quote
    } else {
        while (i < len && (unsigned char)line[i] > 0x20) i++;
    }
    while (i < len && (unsigned char)line[i] <= 0x20 && line[i] != 0) i++;
    return i;
}

static int Equals(const char *s, int len, const char *word)
{
    int i = 0;
    for (; word[i]; i++)
        if (i >= len || s[i] != word[i]) return 0;
    return i == len;
}

int ParseLaunchTail(const char *tail, int len, int *sourceAt, int *sourceLen)
{
    *sourceAt = 0;
    *sourceLen = 0;
    if (len >= 7 && Equals(tail, 7, "Install")) {
        if (len > 8) {
            *sourceAt = 8;
            *sourceLen = len - 8;
        }
        return LAUNCH_INSTALL;
    }
    if (Equals(tail, len, "Del")) return LAUNCH_DEL;
    if (Equals(tail, len, "Uninstall")) return LAUNCH_UNINSTALL;
    return LAUNCH_MENU;
}
