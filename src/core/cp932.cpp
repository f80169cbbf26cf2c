#include "cp932.h"

int IsCp932Lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

int NextBackslash(const char *s, int len, int from)
{
    int i = from;
    while (i < len) {
        unsigned char b = (unsigned char)s[i];
        if (b == '\\') return i;
        // a lead byte takes its trail with it, even when the trail is 5C
        i += (IsCp932Lead(b) && i + 1 < len) ? 2 : 1;
    }
    return -1;
}

int LastBackslash(const char *s, int len)
{
    // Only a walk from the front knows which bytes are trail bytes.
    int last = -1, i = 0;
    for (;;) {
        int at = NextBackslash(s, len, i);
        if (at < 0) return last;
        last = at;
        i = at + 1;
    }
}

int EndsWithBackslash(const char *s, int len)
{
    return len > 0 && LastBackslash(s, len) == len - 1;
}

int SameTextNoCase(const char *a, int aLen, const char *b)
{
    int i = 0;
    for (; i < aLen; i++) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (!y) return 0;
        if (IsCp932Lead(y) && i + 1 < aLen) {
            if (x != y || a[i + 1] != b[i + 1]) return 0;
            i++;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return 0;
    }
    return b[i] == 0;
}

int SameBytes(const char *a, const char *b)
{
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

int StaysInside(const char *path, int len)
{
    if (len == 0) return 1;
    if (path[0] == '\\' || path[0] == '/') return 0;
    int start = 0;
    for (int i = 0; i <= len; i++) {
        // ':' and '/' are never trail bytes; the '\\' test must skip them
        if (i < len && IsCp932Lead((unsigned char)path[i]) && i + 1 < len) {
            i++;
            continue;
        }
        if (i < len && path[i] == ':') return 0;
        if (i == len || path[i] == '\\' || path[i] == '/') {
            if (i - start == 2 && path[start] == '.' && path[start + 1] == '.') return 0;
            start = i + 1;
        }
    }
    return 1;
}

int RenameExtension(char *path, int size, const char *extension)
{
    int len = 0, dot = -1, extLen = 0;
    while (path[len]) len++;
    while (extension[extLen]) extLen++;
    // the last dot of the last name, unless a blank follows it; a trail byte is no dot
    for (int i = 0; i < len; i++) {
        unsigned char b = (unsigned char)path[i];
        if (b == '\\' || b == ' ') dot = -1;
        else if (b == '.') dot = i;
        else if (IsCp932Lead(b) && i + 1 < len) i++;
    }
    int at = dot >= 0 ? dot : len;
    if (at + extLen + 1 > size) return 0;
    for (int i = 0; i <= extLen; i++) path[at + i] = extension[i];
    return 1;
}
