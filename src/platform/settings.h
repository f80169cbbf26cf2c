// The per-product settings file {settings}, through the profile-string operations.
#pragma once

#define SECTION_INSTALL "INSTALL"
#define SECTION_UNINSTALL "UNINSTALL"
#define SECTION_LINK "Link"

// {settings}: {common}\{maker}\{game stem}.ini
int SettingsPath(char *out, int outSize);

// Reads a string with the default "*" into out (at most a path buffer); a value that does
// not fit reads as "*". 0 when the settings path does not fit.
int ReadSetting(const char *section, const char *key, char *out, int outSize);
// Reads an integer, default 0.
int ReadSettingInt(const char *section, const char *key);
int WriteSetting(const char *section, const char *key, const char *value);
// The keys of one section set in one rewrite of the file: a kill leaves all of them or none.
// A NULL value removes its key.
int WriteSettings(const char *section, const char *const *keys, const char *const *values, int count);
int WriteSettingInt(const char *section, const char *key, int value);
// `IsInstall` read afresh; nonzero counts as installed, when the settings are this title's.
int IsInstalled(void);
// Two titles of one maker with one game exe share the settings file: 1 when `Title` names
// this title (without it, when `InstallFold` is {root}\{brand}\{title}) or `InstallFold` is
// missing, 0 when they are another's.
// folder (a path buffer, may be NULL) receives `InstallFold`.
int SettingsOfThisTitle(char *folder);
int DeleteSettings(void);
// 1 when install is {root}\{brand}\{title} of some root.
int IsLayoutFolder(const char *install);
