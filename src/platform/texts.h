// The texts the launcher shows, in the player's language: Japanese, or English where the
// system speaks another language and the disc carries the title's English strings, or the
// one "/LANG=" asks for. What is written down (files, the registry, the log's captions)
// keeps one form whatever the language: the Japanese table's.
#pragma once
#include <windows.h>
#include "../../resources/texts.h"

// Chooses the language once, before anything is shown; requested is a LANGUAGE_ code of
// "/LANG=" or 0 for the system's choice.
void ChooseTextLanguage(int requested);

// Text number id (texts.h) in the chosen language, else in Japanese; "" for no such text.
// The same pointer every time, alive until the process ends.
const char *Text(int id);

// The Japanese form of a text that Text gave, for what is written down; any other text as
// it is.
const char *StoredText(const char *shown);

// A product string (product.rc) as the player sees it: the chosen language's, else the
// Japanese one. 1 when there is one.
int ShownProductString(int id, char *out, int outSize);

// The switch that keeps a language asked for by "/LANG=" in the processes that follow:
// " /LANG=ja" or " /LANG=en" appended to out, nothing without one; 0 when it does not fit.
int AppendLanguageSwitch(char *out, int outSize);

// 1 when the hint strip shows the art's own bands (painted in Japanese); 0 when the hints
// are drawn as text.
int PaintedHints(void);
