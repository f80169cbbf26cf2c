// Text conversion between the UTF-8 of Linux and the code page 932 of the disc.
#include "author.h"
#include "core/cp932.h"

#include <iconv.h>
#include <string>

// UTF-8 to code page 932; false when a character has no place in it, or comes back as
// another one (〜 U+301C and ～ U+FF5E share 81 60; ¥ would become a backslash).
bool To932(const std::string &utf8, std::string *out, std::string *bad)
{
    static iconv_t to = iconv_open("CP932", "UTF-8");
    static iconv_t back = iconv_open("UTF-8", "CP932");
    auto run = [](iconv_t cd, const std::string &in, std::string *res) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        res->assign(in.size() * 4 + 8, '\0');
        char *src = const_cast<char *>(in.data()), *dst = &(*res)[0];
        size_t left = in.size(), room = res->size();
        if (iconv(cd, &src, &left, &dst, &room) == (size_t)-1) return false;
        res->resize(res->size() - room);
        return true;
    };
    std::string mb, again;
    bool ok = run(to, utf8, &mb) && run(back, mb, &again) && again == utf8;
    if (ok) {
        *out = mb;
        return true;
    }
    if (bad) {
        // name the first character that does not survive
        bad->clear();
        for (size_t i = 0; i < utf8.size();) {
            size_t n = 1;
            unsigned char c = utf8[i];
            if (c >= 0xF0) n = 4;
            else if (c >= 0xE0) n = 3;
            else if (c >= 0xC0) n = 2;
            std::string ch = utf8.substr(i, n), m, r;
            if (!run(to, ch, &m) || !run(back, m, &r) || r != ch) {
                *bad = ch;
                break;
            }
            i += n;
        }
    }
    return false;
}

// Why a text cannot be written in code page 932, with a character it has in its place
// where the character has a look-alike there.
std::string Cp932Fault(const std::string &bad)
{
    static const struct { const char *from, *to; } kLookAlike[] = {
        {"〜", "～"}, {"¥", "￥"}, {"−", "－"}, {"‖", "∥"}, {"—", "―"}, {"¢", "￠"}, {"£", "￡"}, {"¬", "￢"},
    };
    std::string text = "(\"" + bad + "\"";
    for (auto &l : kLookAlike)
        if (bad == l.from) {
            std::string mb;
            if (To932(l.to, &mb)) text += "; write \"" + std::string(l.to) + "\" instead, which it has";
        }
    return text + ")";
}

// The first byte at which a text stops being UTF-8, or -1.
long NotUtf8At(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size()) return (long)i;
        for (size_t k = 1; k < n; k++)
            if (((unsigned char)s[i + k] & 0xC0) != 0x80) return (long)i;
        i += n;
    }
    return -1;
}

int Utf16Length(const std::string &utf8)
{
    int n = 0;
    for (size_t i = 0; i < utf8.size(); i++) {
        unsigned char c = utf8[i];
        if ((c & 0xC0) != 0x80) n += c >= 0xF0 ? 2 : 1;
    }
    return n;
}

std::string Upper(std::string s)
{
    // Windows folds ASCII letters only in code page 932 names; a walk keeps trail bytes
    for (size_t i = 0; i < s.size(); i++) {
        unsigned char b = s[i];
        if (IsCp932Lead(b)) i++;
        else if (b >= 'a' && b <= 'z') s[i] = (char)(b - 32);
    }
    return s;
}

// Index of the first 0x5C byte that is the trail of a double-byte character, or -1.
int TrailBackslash(const std::string &s)
{
    for (size_t i = 0; i + 1 < s.size(); i++)
        if (IsCp932Lead((unsigned char)s[i])) {
            if (s[i + 1] == '\\') return (int)i;
            i++;
        }
    return -1;
}

// A code page 932 text as UTF-8, to be shown on Linux; the text itself where it does not convert.
std::string ShownAsUtf8(const std::string &text932)
{
    std::string shown = text932, in = text932;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string buf(in.size() * 3 + 8, '\0');
    char *src = &in[0], *dst = &buf[0];
    size_t left = in.size(), room = buf.size();
    if (cd != (iconv_t)-1 && iconv(cd, &src, &left, &dst, &room) != (size_t)-1) shown = buf.substr(0, buf.size() - room);
    if (cd != (iconv_t)-1) iconv_close(cd);
    return shown;
}
