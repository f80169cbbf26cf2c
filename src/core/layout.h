// Composed paths and texts, measured against their buffers. Pure: no Win32, so they also
// build natively.
#pragma once

// "%s\\%s" and its three- and four-part forms, measured against the buffer:
// 0 and an empty buffer when the result would not fit (a cut path names another file).
int JoinPath(char *out, int outSize, const char *a, const char *b);
int JoinPath3(char *out, int outSize, const char *a, const char *b, const char *c);
int JoinPath4(char *out, int outSize, const char *a, const char *b, const char *c, const char *d);

// Copies text when it fits whole; otherwise 0 and an empty buffer.
int CopyText(char *out, int outSize, const char *text);
// Copies as much of text[0..length) as fits, whole characters only (for captions and
// other shown texts); length -1 takes the whole string.
void CopyTextCut(char *out, int outSize, const char *text, int length);

// Leading blanks, an optional sign, decimal digits; no digits gives 0.
int ParseDecimal(const char *text);
