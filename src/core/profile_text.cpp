#include "profile_text.h"
#include "cp932.h"

struct ProfileLine {
    int start, end, next;  // end before any '\r'; next after the '\n'
};

static int TextLength(const char *s)
{
    int n = 0;
    while (s[n]) n++;
    return n;
}

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

static int NextLine(const char *text, int length, int pos, ProfileLine *line)
{
    if (pos >= length) return 0;
    int end = pos;
    while (end < length && text[end] != '\n') end++;
    line->start = pos;
    line->next = end < length ? end + 1 : length;
    if (end > pos && text[end - 1] == '\r') end--;
    line->end = end;
    return 1;
}

// name against text[from..to) with blanks trimmed; a double-byte character compares whole
static int SameName(const char *text, int from, int to, const char *name)
{
    while (from < to && IsBlank(text[from])) from++;
    while (to > from && IsBlank(text[to - 1])) to--;
    return SameTextNoCase(text + from, to - from, name);
}

// The name of a section line ("[name]"), or 0 when the line is no section line.
static int SectionName(const char *text, const ProfileLine *line, int *from, int *to)
{
    int i = line->start;
    while (i < line->end && IsBlank(text[i])) i++;
    if (i >= line->end || text[i] != '[') return 0;
    int close = i + 1;
    while (close < line->end && text[close] != ']') close++;
    *from = i + 1;
    *to = close;  // a section line without its ']' runs to the end of the line
    return 1;
}

// Finds section and, in it, key: *keyLine is -1 when the section has no such key, and
// *insertAt is where a new key of the section goes. 0 when there is no such section.
static int FindKey(const char *text, int length, const char *section, const char *key,
                   ProfileLine *found, int *insertAt)
{
    ProfileLine line;
    int pos = 0, inSection = 0, from, to, seen = 0;
    found->start = -1;
    while (NextLine(text, length, pos, &line)) {
        pos = line.next;
        if (SectionName(text, &line, &from, &to)) {
            if (inSection) return 1;
            inSection = SameName(text, from, to, section);
            if (inSection) {
                seen = 1;
                *insertAt = line.next;
            }
            continue;
        }
        if (!inSection) continue;
        int eq = line.start;
        while (eq < line.end && text[eq] != '=') eq++;
        if (eq < line.end || line.end > line.start) *insertAt = line.next;
        if (eq < line.end && text[line.start] != ';' && SameName(text, line.start, eq, key)) {
            *found = line;
            return 1;
        }
    }
    return seen;
}

int FindProfileValue(const char *text, int length, const char *section, const char *key,
                     int *valueAt, int *valueLength)
{
    ProfileLine line;
    int insertAt = 0;
    if (!FindKey(text, length, section, key, &line, &insertAt) || line.start < 0) return 0;
    int from = line.start;
    while (text[from] != '=') from++;
    from++;
    int to = line.end;
    while (from < to && IsBlank(text[from])) from++;
    while (to > from && IsBlank(text[to - 1])) to--;
    *valueAt = from;
    *valueLength = to - from;
    return 1;
}

// A line break after text[0..at) where it lacks one; a '\r' already there keeps its line whole.
template <typename Put> static void EndLine(const char *text, int at, Put &put)
{
    if (at == 0 || text[at - 1] == '\n') return;
    if (text[at - 1] == '\r') put("\n", 1);
    else put("\r\n", 2);
}

int SetProfileValue(const char *text, int length, const char *section, const char *key,
                    const char *value, char *out, int outSize)
{
    ProfileLine line;
    int insertAt = length, rest, used = 0, ok = 1, replacing = 0;
    auto put = [&](const char *s, int n) {
        if (!ok || used + n > outSize) {
            ok = 0;
            return;
        }
        for (int i = 0; i < n; i++) out[used + i] = s[i];
        used += n;
    };
    if (!value) {
        // as WritePrivateProfileString takes NULL: the key's line goes, line break and all
        if (FindKey(text, length, section, key, &line, &insertAt) && line.start >= 0) {
            put(text, line.start);
            put(text + line.next, length - line.next);
        } else {
            put(text, length);
        }
        return ok ? used : -1;
    }
    if (!FindKey(text, length, section, key, &line, &insertAt)) {
        // a new section at the end, after a line break the text may lack
        put(text, length);
        EndLine(text, length, put);
        put("[", 1);
        put(section, TextLength(section));
        put("]\r\n", 3);
        rest = length;
    } else if (line.start < 0) {
        put(text, insertAt);
        EndLine(text, insertAt, put);
        rest = insertAt;
    } else {
        put(text, line.start);
        rest = line.end;  // the line keeps its own line break
        replacing = 1;
    }
    put(key, TextLength(key));
    put("=", 1);
    put(value, TextLength(value));
    if (!replacing) put("\r\n", 2);
    put(text + rest, length - rest);
    return ok ? used : -1;
}
