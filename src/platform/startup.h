// Start-up: the launcher state, the product strings, the folders it starts from, and whether
// the disc is there.
#pragma once
#include <windows.h>

// Fills the launcher state from string-table entries 2 to 8.
int LoadProductStrings(void);
// Fills {source} from the module's own path and {common} from Program Files.
int InitFolders(void);
// 1 when {source}\{game exe} can be opened for reading; for a title on several discs, when
// {source} holds its disc 1.
int DiscPresent(void);
