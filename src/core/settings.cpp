#include "settings.h"
#include "cp932.h"
#include "layout.h"
#include "state.h"

int ReadSetting(const char *section, const char *key, char *out, int outSize)
{
    char path[PATH_SIZE];
    if (!SettingsPath(path, sizeof path)) {
        CopyText(out, outSize, "*");
        return 0;
    }
    // A value too long for the caller's buffer would come back cut off, and a cut-off folder
    // is somebody else's folder: such a value counts as missing.
    char whole[PATH_SIZE + 1];
    int length = (int)GetPrivateProfileStringA(section, key, "*", whole, sizeof whole, path);
    CopyText(out, outSize, length < outSize ? whole : "*");
    return 1;
}

int ReadSettingInt(const char *section, const char *key)
{
    char path[PATH_SIZE];
    if (!SettingsPath(path, sizeof path)) return 0;
    return (int)GetPrivateProfileIntA(section, key, 0, path);
}

int WriteSetting(const char *section, const char *key, const char *value)
{
    char path[PATH_SIZE];
    if (!SettingsPath(path, sizeof path)) return 0;
    return WritePrivateProfileStringA(section, key, value, path) ? 1 : 0;
}

int WriteSettingInt(const char *section, const char *key, int value)
{
    char text[16];
    wsprintfA(text, "%d", value);
    return WriteSetting(section, key, text);
}

int IsInstalled(void)
{
    return ReadSettingInt(SECTION_INSTALL, "IsInstall") != 0 && SettingsOfThisTitle(NULL);
}

int SettingsOfThisTitle(char *folder)
{
    char install[PATH_SIZE], tail[PATH_SIZE];
    ReadSetting(SECTION_INSTALL, "InstallFold", install, sizeof install);
    if (folder) lstrcpyA(folder, install);
    if (install[0] == '*') return 1;
    // {root}\{brand}\{title}, whatever the root
    if (!JoinPath3(tail, sizeof tail, "", g_state.brand, g_state.title)) return 0;
    int length = lstrlenA(install), tailLength = lstrlenA(tail);
    return length > tailLength && SameBytes(install + length - tailLength, tail);
}

int DeleteSettings(void)
{
    char path[PATH_SIZE];
    if (!SettingsPath(path, sizeof path)) return 0;
    DeleteFileA(path);
    return 1;
}
