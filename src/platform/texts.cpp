#include "texts.h"
#include "../core/command_line.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "system_calls.h"

#define TEXT_SIZE 1024

static char *s_texts[TX_END];
static char *s_stored[TX_END];
static int s_requested;

static char *LoadCopy(int id, WORD language);

void ChooseTextLanguage(int requested)
{
    typedef LANGID(WINAPI * UILanguageCall)(void);
    // the UI language came with Windows 2000; before it the user's locale is the nearest
    UILanguageCall pGetUserDefaultUILanguage =
        (UILanguageCall)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetUserDefaultUILanguage");
    LANGID system = pGetUserDefaultUILanguage ? pGetUserDefaultUILanguage() : GetUserDefaultLangID();
    // a title without English strings is a Japanese disc: the whole menu stays Japanese
    char probe[PATH_SIZE];
    int english = SysLoadStringIn(g_state.instance, 1, LANGUAGE_ENGLISH, probe, sizeof probe);
    s_requested = requested;
    g_state.language = ChooseLanguage(requested, system, english);
    // a text taken before the choice was the Japanese one
    for (int id = 0; id < TX_END; id++) {
        if (s_texts[id]) HeapFree(GetProcessHeap(), 0, s_texts[id]);
        s_texts[id] = NULL;
    }
}

const char *Text(int id)
{
    if (id < 0 || id >= TX_END) return "";
    if (!s_texts[id]) s_texts[id] = LoadCopy(id, (WORD)g_state.language);
    if (!s_texts[id]) s_texts[id] = LoadCopy(id, LANGUAGE_JAPANESE);
    return s_texts[id] ? s_texts[id] : "";
}

const char *StoredText(const char *shown)
{
    for (int id = 0; id < TX_END; id++) {
        if (!shown || shown != s_texts[id]) continue;
        if (!s_stored[id]) s_stored[id] = LoadCopy(id, LANGUAGE_JAPANESE);
        return s_stored[id] ? s_stored[id] : shown;
    }
    return shown;
}

int ShownProductString(int id, char *out, int outSize)
{
    return (g_state.language && SysLoadStringIn(g_state.instance, id, (WORD)g_state.language, out, outSize)) ||
           SysLoadString(g_state.instance, id, out, outSize);
}

int AppendLanguageSwitch(char *out, int outSize)
{
    const char *word = s_requested == LANGUAGE_ENGLISH ? " /LANG=en" : s_requested ? " /LANG=ja" : "";
    int used = lstrlenA(out), len = lstrlenA(word);
    if (used + len + 1 > outSize) return 0;
    lstrcpyA(out + used, word);
    return 1;
}

int PaintedHints(void)
{
    return g_state.language != LANGUAGE_ENGLISH;
}

// A text of one table in a heap block of its own, NULL when that table lacks it.
static char *LoadCopy(int id, WORD language)
{
    char text[TEXT_SIZE];
    if (!SysLoadStringIn(g_state.instance, id, language, text, sizeof text)) return NULL;
    char *copy = (char *)HeapAlloc(GetProcessHeap(), 0, lstrlenA(text) + 1);
    if (copy) lstrcpyA(copy, text);
    return copy;
}
