#include "layout.h"
#include "cp932.h"
#include <string.h>

static int JoinParts(char *out, int outSize, const char *const *parts, int count)
{
    int used = 0;
    for (int i = 0; i < count; i++) {
        int len = (int)strlen(parts[i]);
        int need = used + (i ? 1 : 0) + len;
        if (need + 1 > outSize) {
            if (outSize > 0) out[0] = 0;
            return 0;
        }
        if (i) out[used++] = '\\';
        memcpy(out + used, parts[i], len);
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
    int len = length < 0 ? (int)strlen(text) : length;
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
    memcpy(out, text, len);
    out[len] = 0;
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
