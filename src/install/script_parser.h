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
