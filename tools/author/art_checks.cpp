// The menu's art: uncompressed BMPs of the sizes the launcher draws, and its icon.
#include "author.h"

#include <cstdlib>

// What an art file is, when it is not an uncompressed BMP the launcher loads as it is; ""
// when it is one, with its width, height and depth.
std::string ArtFault(const fs::path &p, int *w, int *h, int *bits)
{
    bool ok = false;
    std::string b = ReadAll(p, &ok);
    if (!ok) return "cannot be read";
    auto starts = [&](const char *magic, size_t n) { return b.size() >= n && b.compare(0, n, magic, n) == 0; };
    if (starts("\x89PNG", 4)) return "is a PNG image, not a BMP";
    if (starts("\xFF\xD8\xFF", 3)) return "is a JPEG image, not a BMP";
    if (starts("GIF8", 4)) return "is a GIF image, not a BMP";
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return "is a TIFF image, not a BMP";
    if (starts("\0\0\1\0", 4)) return "is an icon (ICO), not a BMP";
    if (b.size() < 30 || !starts("BM", 2)) return "is not a BMP (" + std::to_string(b.size()) + " bytes, no BM header)";
    auto le = [&](size_t at, int n) {
        unsigned v = 0;
        for (int i = n - 1; i >= 0; i--) v = (v << 8) | (unsigned char)b[at + i];
        return v;
    };
    unsigned header = le(14, 4), compression = 0;
    if (header == 12) {
        *w = (int)le(18, 2), *h = (int)le(20, 2), *bits = (int)le(24, 2);
    } else if (header >= 40 && b.size() >= 34) {
        *w = (int)le(18, 4), *h = std::abs((int)le(22, 4)), *bits = (int)le(28, 2);
        compression = le(30, 4);
    } else {
        return "is a BMP with a header this tool cannot read (" + std::to_string(header) + " bytes)";
    }
    std::string is = "is a " + std::to_string(*w) + "x" + std::to_string(*h) + " BMP of " + std::to_string(*bits) + " bits";
    static const char *kMethod[] = {"", "8-bit run-length, RLE8", "4-bit run-length, RLE4", "bit fields",
                                    "JPEG", "PNG", "alpha bit fields"};
    if ((compression == 3 || compression == 6) && *bits == 32) return is + " (with an alpha channel or colour masks)";
    if (compression != 0)
        return is + ", compressed (" + (compression < 7 ? kMethod[compression] : "method " + std::to_string(compression)) + ")";
    uintmax_t rowBytes = ((uintmax_t)*w * *bits + 31) / 32 * 4;
    uintmax_t end = le(10, 4) + rowBytes * *h;
    if (b.size() < end) return is + ", cut short (" + std::to_string(b.size()) + " of " + std::to_string(end) + " bytes)";
    return "";
}

void CheckArt(const fs::path &art)
{
    static const struct { const char *name; int w, h; } kArt[] = {
        {"background.bmp", 600, 400}, {"hints.bmp", 600, 150}, {"btn_install.bmp", 252, 108},
        {"btn_uninstall.bmp", 252, 108}, {"btn_start.bmp", 252, 108}, {"btn_exit.bmp", 252, 108}};
    for (auto &a : kArt) {
        int w = 0, h = 0, bits = 0;
        fs::path p = art / a.name;
        std::string need = std::to_string(a.w) + "x" + std::to_string(a.h);
        std::string convert = "; convert it, for example with convert " + p.filename().string() + " -resize " + need +
                              "! -alpha off -type truecolor BMP3:" + p.filename().string();
        if (!fs::exists(p)) {
            Problem(p.string(), "is missing (an uncompressed 24-bit BMP of " + need + ")");
            continue;
        }
        std::string fault = ArtFault(p, &w, &h, &bits);
        if (fault.empty() && (w != a.w || h != a.h || bits != 24))
            fault = "is " + std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(bits) + " bits";
        if (!fault.empty())
            Problem(p.string(), fault + "; it must be an uncompressed BMP of " + need + " at 24 bits" + convert);
    }
    fs::path ico = art / "setup.ico";
    bool ok = false;
    std::string icon = fs::exists(ico) ? ReadAll(ico, &ok) : std::string();
    if (!fs::exists(ico)) Problem(ico.string(), "is missing (the window and file icon)");
    else if (icon.size() < 6 || icon.compare(0, 4, std::string("\0\0\1\0", 4)) != 0)
        Problem(ico.string(), "is not an icon (ICO) file; the window and file icon must be one, with 16x16 and 32x32 images");
}
