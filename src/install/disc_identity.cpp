#include "disc_identity.h"

static int ReadLine(const char *buf, int len, int *pos, int *start, int *length);
static int ReadNumber(const char *text, int length, unsigned long long limit, unsigned long long *value);

int ParseDiscIdentity(const char *buf, int len, DiscIdentity *identity)
{
    static const char kHead[] = "SETUPDISC 1";
    DiscIdentity found = {0, 0, 0, 0, 0};
    unsigned long long number = 0, count = 0, total = 0;
    int pos = 0, at, length, blank = -1;
    identity->number = identity->count = identity->keyLength = 0;
    identity->totalBytes = 0;
    identity->key = 0;

    if (!ReadLine(buf, len, &pos, &at, &length) || length != (int)sizeof kHead - 1) return 0;
    for (int i = 0; i < length; i++)
        if (buf[at + i] != kHead[i]) return 0;

    if (!ReadLine(buf, len, &pos, &at, &length)) return 0;
    for (int i = 0; i < length; i++)
        if (buf[at + i] == ' ') {
            blank = i;
            break;
        }
    if (blank < 0 || !ReadNumber(buf + at, blank, 99, &number) ||
        !ReadNumber(buf + at + blank + 1, length - blank - 1, 99, &count))
        return 0;
    if (number < 1 || count < 2 || number > count) return 0;

    // 20 digits would pass what 64 bits hold
    if (!ReadLine(buf, len, &pos, &at, &length) || !ReadNumber(buf + at, length, ~0ull, &total)) return 0;

    if (!ReadLine(buf, len, &pos, &at, &length) || length < 1 || length > DISC_KEY_MAX || pos != len) return 0;
    for (int i = 0; i < length; i++)
        if (buf[at + i] == 0) return 0;

    found.number = (int)number;
    found.count = (int)count;
    found.totalBytes = total;
    found.key = buf + at;
    found.keyLength = length;
    *identity = found;
    return 1;
}

int SameDiscTitle(const DiscIdentity *identity, const char *key, int keyLength)
{
    if (!identity->key || identity->keyLength != keyLength) return 0;
    for (int i = 0; i < keyLength; i++)
        if (identity->key[i] != key[i]) return 0;
    return 1;
}

// The line at *pos up to its CR LF, which it moves *pos past; 0 at a line without one, or
// with a bare CR or LF inside (CR and LF are never trail bytes of code page 932).
static int ReadLine(const char *buf, int len, int *pos, int *start, int *length)
{
    int at = *pos, end = at;
    while (end < len && buf[end] != '\r' && buf[end] != '\n') end++;
    if (end + 1 >= len || buf[end] != '\r' || buf[end + 1] != '\n') return 0;
    *start = at;
    *length = end - at;
    *pos = end + 2;
    return 1;
}

// Decimal digits only, no leading zero (but "0"), at most limit.
static int ReadNumber(const char *text, int length, unsigned long long limit, unsigned long long *value)
{
    unsigned long long n = 0;
    if (length < 1 || (text[0] == '0' && length > 1)) return 0;
    for (int i = 0; i < length; i++) {
        if (text[i] < '0' || text[i] > '9') return 0;
        unsigned digit = (unsigned)(text[i] - '0');
        if (n > (limit - digit) / 10) return 0;
        n = n * 10 + digit;
    }
    *value = n;
    return 1;
}
