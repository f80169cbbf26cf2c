// The settings file's text: sections of "key=value" lines, as the system's profile functions
// keep them, read and written here byte for byte in code page 932 whatever the system's own
// code page is. Pure: no Win32, so it also builds natively.
#pragma once

// 1 and the value's place in text (after '=', blanks trimmed) when section holds key; 0 when
// either is missing. Names compare without regard to the case of ASCII letters.
int FindProfileValue(const char *text, int length, const char *section, const char *key,
                     int *valueAt, int *valueLength);

// text with key of section set to value, into out: the value replaced in its line, the key
// added at the end of its section, or the section added at the end; a NULL value removes the
// key's line. The new length, or -1 when out is too small.
int SetProfileValue(const char *text, int length, const char *section, const char *key,
                    const char *value, char *out, int outSize);
