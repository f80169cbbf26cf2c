// The per-product settings file {settings}, through the profile-string operations.
#pragma once

#define SECTION_INSTALL "INSTALL"
#define SECTION_UNINSTALL "UNINSTALL"
#define SECTION_LINK "Link"

// Reads a string with the default "*" into out (at most a path buffer); a value that does
// not fit reads as "*". 0 when the settings path does not fit.
int ReadSetting(const char *section, const char *key, char *out, int outSize);
// Reads an integer, default 0.
int ReadSettingInt(const char *section, const char *key);
int WriteSetting(const char *section, const char *key, const char *value);
int WriteSettingInt(const char *section, const char *key, int value);
// `IsInstall` read afresh; nonzero counts as installed.
int IsInstalled(void);
int DeleteSettings(void);
