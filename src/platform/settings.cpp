#include "settings.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/profile_text.h"
#include "../core/state.h"
#include "platform.h"

// far beyond what the launcher writes; anything bigger is not its settings file
#define SETTINGS_MAX 0x100000

static char *LoadSettings(const char *path, DWORD *size);
static void ValueFrom(const char *text, DWORD size, const char *section, const char *key, char *out,
                      int outSize);
static int IsThisTitlesFolder(const char *install, const char *title);

int SettingsPath(char *out, int outSize)
{
    if (!JoinPath3(out, outSize, g_state.commonFolder, g_state.maker, g_state.gameExe)) return 0;
    // as the shell's rule ever did, the name leaves room for ".ini" after it whole
    if (lstrlenA(out) + 5 > outSize || !RenameExtension(out, outSize, ".ini")) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

int ReadSetting(const char *section, const char *key, char *out, int outSize)
{
    char path[PATH_SIZE];
    DWORD size = 0;
    CopyText(out, outSize, "*");
    if (!SettingsPath(path, sizeof path)) return 0;
    char *text = LoadSettings(path, &size);
    ValueFrom(text, size, section, key, out, outSize);
    if (text) HeapFree(GetProcessHeap(), 0, text);
    return 1;
}

int ReadSettingInt(const char *section, const char *key)
{
    char value[PATH_SIZE];
    ReadSetting(section, key, value, sizeof value);
    return ParseDecimal(value);
}

int WriteSetting(const char *section, const char *key, const char *value)
{
    return WriteSettings(section, &key, &value, 1);
}

int WriteSettings(const char *section, const char *const *keys, const char *const *values, int count)
{
    char path[PATH_SIZE];
    DWORD size = 0;
    if (!SettingsPath(path, sizeof path)) return 0;
    char *text = LoadSettings(path, &size);
    if (!text && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
        return 0;  // one that cannot be read is never written anew from nothing
    int length = text ? (int)size : 0;
    for (int i = 0; i < count && length >= 0; i++) {
        int outSize = length + lstrlenA(section) + lstrlenA(keys[i]) + (values[i] ? lstrlenA(values[i]) : 0) + 16;
        char *out = (char *)HeapAlloc(GetProcessHeap(), 0, outSize);
        length = out ? SetProfileValue(text ? text : "", length, section, keys[i], values[i], out, outSize) : -1;
        if (text) HeapFree(GetProcessHeap(), 0, text);
        text = out;
    }
    // a kill, a power cut or a full disk leaves the old text whole, never an empty file
    int ok = length >= 0 && ReplaceWholeFile(path, text ? text : "", (DWORD)length);
    if (text) HeapFree(GetProcessHeap(), 0, text);
    return ok;
}

int WriteSettingInt(const char *section, const char *key, int value)
{
    char text[16];
    wsprintfA(text, "%d", value);
    return WriteSetting(section, key, text);
}

int IsInstalled(void)
{
    char path[PATH_SIZE], installed[PATH_SIZE], install[PATH_SIZE], title[PATH_SIZE];
    DWORD size = 0;
    if (!SettingsPath(path, sizeof path)) return 0;
    // the menu asks on every move of the pointer over a button: one read answers
    char *text = LoadSettings(path, &size);
    ValueFrom(text, size, SECTION_INSTALL, "IsInstall", installed, sizeof installed);
    ValueFrom(text, size, SECTION_INSTALL, "InstallFold", install, sizeof install);
    ValueFrom(text, size, SECTION_INSTALL, "Title", title, sizeof title);
    if (text) HeapFree(GetProcessHeap(), 0, text);
    return ParseDecimal(installed) != 0 && IsThisTitlesFolder(install, title);
}

int SettingsOfThisTitle(char *folder)
{
    char install[PATH_SIZE], title[PATH_SIZE];
    ReadSetting(SECTION_INSTALL, "InstallFold", install, sizeof install);
    ReadSetting(SECTION_INSTALL, "Title", title, sizeof title);
    if (folder) lstrcpyA(folder, install);
    return IsThisTitlesFolder(install, title);
}

int DeleteSettings(void)
{
    char path[PATH_SIZE];
    if (!SettingsPath(path, sizeof path)) return 0;
    SysDeleteFile(path);
    // a new text a cut left beside it
    if (lstrlenA(path) + 5 <= PATH_SIZE) {
        lstrcatA(path, ".new");
        SysDeleteFile(path);
    }
    return 1;
}

int IsLayoutFolder(const char *install)
{
    char tail[PATH_SIZE];
    if (!JoinPath3(tail, sizeof tail, "", g_state.brand, g_state.title)) return 0;
    int length = lstrlenA(install), tailLength = lstrlenA(tail);
    // the tail's first backslash must be one of its own, not the trail of a 表 before it
    return length > tailLength && SameBytes(install + length - tailLength, tail) &&
           EndsWithBackslash(install, length - tailLength + 1);
}

static char *LoadSettings(const char *path, DWORD *size)
{
    char *text = NULL;
    *size = 0;
    return ReadWholeFile(path, SETTINGS_MAX, &text, size) ? text : NULL;
}

// key's value in text (which may be NULL) into out, or "*" when it is missing. A value too long
// for the caller's buffer would come back cut off, and a cut-off folder is somebody else's
// folder: such a value counts as missing.
static void ValueFrom(const char *text, DWORD size, const char *section, const char *key, char *out,
                      int outSize)
{
    int at, length;
    CopyText(out, outSize, "*");
    if (text && FindProfileValue(text, (int)size, section, key, &at, &length) && length < outSize) {
        CopyMemory(out, text + at, length);
        out[length] = 0;
    }
}

// The settings name their title since "/D=" names any folder; before, the folder was always
// {root}\{brand}\{title}, whatever the root. No folder at all is nobody else's either.
static int IsThisTitlesFolder(const char *install, const char *title)
{
    if (install[0] == '*') return 1;
    if (title[0] != '*') return SameBytes(title, g_state.title);
    return IsLayoutFolder(install);
}
