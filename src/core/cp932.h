// Byte-level helpers for code page 932 text. Pure: no Win32, so they also build natively.
#pragma once

// 81-9F and E0-FC open a double-byte character; its second byte may be 5C ('\\').
int IsCp932Lead(unsigned char b);

// Index of the last backslash of s[0..len) that is a character of its own, or -1.
int LastBackslash(const char *s, int len);

// Index of the first real backslash at or after `from` (which must be a character
// boundary), or -1.
int NextBackslash(const char *s, int len, int from);

// 1 when the last character of s[0..len) is a backslash (not the trail of 表 or ソ).
int EndsWithBackslash(const char *s, int len);

// Replaces the extension of the last name of path (or adds one) as the shell does: the last
// dot not followed by a blank; 0 and path unchanged when the result would not fit in size.
int RenameExtension(char *path, int size, const char *extension);

// Equality of a[0..aLen) and the string b, ASCII letters in either case; a double-byte
// character compares whole, so that the trail of ア (0x41) is never the letter A.
int SameTextNoCase(const char *a, int aLen, const char *b);

// Byte-for-byte equality (lstrcmpA compares linguistically).
int SameBytes(const char *a, const char *b);

// 1 when a relative path stays inside its base folder: not absolute, no drive, no ".."
// component.
int StaysInside(const char *path, int len);
