// What a name on the disc, or a path the launcher composes, may not be.
#include "author.h"

#include <cstring>

// What Windows (and the script's ';' separator) refuse in one name; "" when it is fine.
std::string NameFault(const std::string &name)
{
    for (unsigned char c : name) {
        if (c < 0x20) return "holds a control character, which no Windows name can";
        if (std::strchr("<>:\"/\\|?*", c))
            return std::string("holds '") + (char)c + "', which no Windows name can";
        if (c == ';') return "holds ';', which ends a line of Setup.ini and of the uninstall log";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "ends in a dot or a blank, which Windows drops from names";
    std::string stem = Upper(name.substr(0, name.find('.')));
    static const char *kDevices[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4",
                                     "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",
                                     "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    for (const char *d : kDevices)
        if (stem == d) return "is a device name on Windows (" + stem + ")";
    return "";
}

// Files an operating system leaves in folders it has shown, which no game needs.
bool SystemFile(const std::string &name, bool dir)
{
    if (dir) return name == "__MACOSX";
    std::string upper = Upper(name);
    return name == ".DS_Store" || name.compare(0, 2, "._") == 0 || upper == "THUMBS.DB" || upper == "DESKTOP.INI";
}

void CheckLength(const std::string &where, const std::string &text, const std::string &what)
{
    if ((int)text.size() > kPathMax)
        Problem(where, what + " is " + std::to_string(text.size()) + " bytes in code page 932; the launcher's limit is " +
                           std::to_string(kPathMax) + " (" + std::to_string(text.size() - kPathMax) + " too many)");
}
