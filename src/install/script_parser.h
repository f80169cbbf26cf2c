// The install script Setup.ini, line by line. Pure: no Win32, so it also builds natively.
#pragma once

struct ScriptLine {
    const char *text;  // from the kind letter up to, not including, the ';'
    int length;        // may exceed what a path buffer holds; the caller decides
};

// Takes the line at *pos and moves *pos past its line feed. Returns 0 at the end:
// a line that begins with 'E', or the end of the data (a script without its end line,
// or whose last line lacks its ';' or line feed, ends there; nothing past len is read).
int NextScriptLine(const char *buf, int len, int *pos, ScriptLine *line);

// The path of a line (from its byte 2 on; empty for a line shorter than that) as a string
// in out[0..outSize). Returns its length, or -1 and an empty out when it does not fit.
int ScriptLinePath(const ScriptLine *line, char *out, int outSize);

// Length of the folder prefix of an 'F' path: up to and including its last backslash,
// 0 when it has none. A backslash that is the trail byte of 表 or ソ does not count.
int FolderPrefixLength(const char *path, int len);

// 1 when the path of a 'D' or 'F' line names something inside {install} that its
// uninstall log entry can name again: not empty, no NUL byte, not absolute, no drive,
// no ".." part.
int ScriptLineInside(const ScriptLine *line);

// The disc number of a 'V' line ("V 2"): 1 to 99 in decimal without a leading zero, the
// whole of the path field. 0 for anything else.
int ScriptLineDisc(const ScriptLine *line);
