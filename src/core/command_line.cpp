#include "command_line.h"
#include "cp932.h"

static int IsBlank(char c);
static int Equals(const char *s, int len, const char *word);
static int StartsNoCase(const char *s, int len, const char *word);
static int ParseSwitches(const char *tail, int at, int len, LaunchSwitches *switches);
static int IsNameValue(const char *s, int len);

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

int ParseLaunchTail(const char *tail, int len, int *sourceAt, int *sourceLen, LaunchSwitches *switches)
{
    *sourceAt = 0;
    *sourceLen = 0;
    switches->quiet = 0;
    switches->logAt = switches->logLen = 0;
    switches->rootAt = switches->rootLen = 0;
    switches->language = 0;
    int slash = 0;
    while (slash < len && !(tail[slash] == '/' && (slash == 0 || IsBlank(tail[slash - 1])))) slash++;
    // the word ends before the blanks that part it from the switches
    int wordLen = slash;
    if (slash < len)
        while (wordLen > 0 && IsBlank(tail[wordLen - 1])) wordLen--;

    int request = LAUNCH_MENU;
    if (wordLen >= 7 && Equals(tail, 7, "Install")) {
        if (wordLen > 8) {
            *sourceAt = 8;
            *sourceLen = wordLen - 8;
        }
        request = LAUNCH_INSTALL;
    } else if (Equals(tail, wordLen, "Del")) {
        request = LAUNCH_DEL;
    } else if (Equals(tail, wordLen, "Uninstall")) {
        request = LAUNCH_UNINSTALL;
    } else if (slash < len && wordLen > 0) {
        return LAUNCH_BAD_SWITCH;  // a word of its own before the switches
    }
    if (slash == len) return request;
    if (!ParseSwitches(tail, slash, len, switches) ||
        (!switches->quiet && (switches->logLen || switches->rootLen || !switches->language)) ||
        (switches->rootLen && request != LAUNCH_MENU)) {
        *sourceAt = *sourceLen = 0;
        return LAUNCH_BAD_SWITCH;
    }
    return request;
}

int AppendQuietSwitches(char *out, int outSize, int quiet, const char *logFile)
{
    int used = 0, logLen = 0;
    if (!quiet) return 1;
    while (out[used]) used++;
    while (logFile[logLen]) logLen++;
    int need = 3 + (logLen ? 8 + logLen : 0);
    if (used + need + 1 > outSize) return 0;
    const char *s = " /S";
    while (*s) out[used++] = *s++;
    if (logLen) {
        for (s = " /LOG=\""; *s;) out[used++] = *s++;
        for (int i = 0; i < logLen; i++) out[used++] = logFile[i];
        out[used++] = '"';
    }
    out[used] = 0;
    return 1;
}

int ChooseLanguage(int requested, unsigned systemLanguage, int discHasEnglish)
{
    if (requested == LANGUAGE_ENGLISH && discHasEnglish) return LANGUAGE_ENGLISH;
    if (requested) return LANGUAGE_JAPANESE;
    // the primary language is the low ten bits; any Japanese is Japanese
    if ((systemLanguage & 0x3FF) == (LANGUAGE_JAPANESE & 0x3FF) || !discHasEnglish) return LANGUAGE_JAPANESE;
    return LANGUAGE_ENGLISH;
}

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

static int Equals(const char *s, int len, const char *word)
{
    int i = 0;
    for (; word[i]; i++)
        if (i >= len || s[i] != word[i]) return 0;
    return i == len;
}

// Whether s[0..len) starts with word (upper-case ASCII), letters in either case.
static int StartsNoCase(const char *s, int len, const char *word)
{
    for (int i = 0; word[i]; i++) {
        char c = i < len ? s[i] : 0;
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        if (c != word[i]) return 0;
    }
    return 1;
}

// The switches from tail[at], which is a "/"; 0 at the first one it does not know.
static int ParseSwitches(const char *tail, int at, int len, LaunchSwitches *switches)
{
    int i = at;
    for (;;) {
        while (i < len && IsBlank(tail[i])) i++;
        if (i == len) return 1;
        if (tail[i] != '/') return 0;
        const char *rest = tail + i + 1;
        int restLen = len - i - 1;
        if (StartsNoCase(rest, restLen, "S") && (restLen == 1 || IsBlank(rest[1]))) {
            switches->quiet = 1;
            i += 2;
        } else if (StartsNoCase(rest, restLen, "LOG=")) {
            int from = i + 5, end;
            if (from < len && tail[from] == '"') {
                end = ++from;
                while (end < len && tail[end] != '"') end++;
                if (end == len) return 0;  // no closing quote
                i = end + 1;
            } else {
                end = from;
                while (end < len && !IsBlank(tail[end])) end++;
                i = end;
            }
            if (end == from || (i < len && !IsBlank(tail[i])) || !IsNameValue(tail + from, end - from)) return 0;
            switches->logAt = from;
            switches->logLen = end - from;
        } else if (StartsNoCase(rest, restLen, "LANG=")) {
            // two letters, then a blank or the end
            if (StartsNoCase(rest + 5, restLen - 5, "JA")) switches->language = LANGUAGE_JAPANESE;
            else if (StartsNoCase(rest + 5, restLen - 5, "EN")) switches->language = LANGUAGE_ENGLISH;
            else return 0;
            i += 8;
            if (i < len && !IsBlank(tail[i])) return 0;
        } else if (StartsNoCase(rest, restLen, "D=")) {
            // the rest of the line, but for the blanks a script leaves at its end
            int from = i + 3, end = len;
            while (end > from && IsBlank(tail[end - 1])) end--;
            const char *root = tail + from;
            // a relative root would land wherever the current folder is
            if (end - from < 3 || (root[0] | 0x20) < 'a' || (root[0] | 0x20) > 'z' || root[1] != ':' ||
                root[2] != '\\' || !IsNameValue(root, end - from))
                return 0;
            switches->rootAt = from;
            switches->rootLen = end - from;
            return 1;
        } else {
            return 0;
        }
    }
}

// Whether s[0..len) can name a file as it is: no quote (the next process's command line would
// end the value there), none of < > | * ?, no control byte, no colon but a drive's, and no
// 7F, which stands for a character code page 932 cannot hold. A trail byte (| is one) is
// part of its character.
static int IsNameValue(const char *s, int len)
{
    for (int i = 0; i < len; i++) {
        unsigned char c = (unsigned char)s[i];
        if (IsCp932Lead(c) && i + 1 < len) {
            i++;
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '|' || c == '*' || c == '?' ||
            (c == ':' && i != 1))
            return 0;
    }
    return 1;
}
