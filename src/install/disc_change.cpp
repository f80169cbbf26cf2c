#include "disc_change.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/texts.h"
#include "../ui/dialogs.h"
#include "disc_identity.h"
#include "programs_entry.h"

// Setup.dsk is a few lines; anything larger is no identity file
#define IDENTITY_MAX 4096

static char s_firstDisc[PATH_SIZE];
static int s_discCount, s_discInUse, s_cancelled;

static int FindDisc(int number);
static int ReadIdentity(const char *folder, char **data, DiscIdentity *identity);
static int SideBySide(char *out, int number);
static void SayWrongDisc(int found, int held, int number);

void BeginDiscs(void)
{
    DiscIdentity identity;
    char *data = NULL;
    lstrcpyA(s_firstDisc, g_state.sourceFolder);
    s_discCount = 1;
    s_discInUse = 1;
    s_cancelled = 0;
    g_state.progressTotal = 0;
    if (!ReadIdentity(g_state.sourceFolder, &data, &identity)) return;
    // the start-up took this disc for disc 1 of this title
    s_discCount = identity.count;
    g_state.progressTotal = identity.totalBytes;
    HeapFree(GetProcessHeap(), 0, data);
}

int ChangeDisc(int number)
{
    char drive[PATH_SIZE];
    if (s_discCount == 1) return DISC_SAME;
    if (number < s_discInUse || number > s_discCount) return DISC_BAD_LINE;
    if (number == s_discInUse) return DISC_SAME;
    while (!FindDisc(number)) {
        if (!RunNextDiscDialog(number, drive)) {
            // a quiet run cannot be given the disc: a condition the caller must fix
            if (g_state.quiet) g_state.exitCode = EXIT_REFUSED;
            s_cancelled = 1;
            return DISC_CANCELLED;
        }
        int held = 0, found = drive[0] ? IdentifyDisc(drive, number, &held) : DISC_NONE;
        if (found == DISC_RIGHT) {
            lstrcpyA(g_state.sourceFolder, drive);
            break;
        }
        // the disc may have gone into another drive; what the chosen one holds is said only
        // when none holds the right one
        if (FindDisc(number)) break;
        if (found != DISC_NONE) SayWrongDisc(found, held, number);
    }
    s_discInUse = number;
    return DISC_READY;
}

void EndDiscs(void)
{
    if (s_firstDisc[0]) lstrcpyA(g_state.sourceFolder, s_firstDisc);
}

int DiscChangeCancelled(void)
{
    return s_cancelled;
}

int IdentifyDisc(const char *folder, int number, int *held)
{
    char key[PATH_SIZE], *data = NULL;
    DiscIdentity identity;
    *held = 0;
    if (!ReadIdentity(folder, &data, &identity)) return DISC_NONE;
    int found = DISC_OTHER_TITLE;
    if (ProgramsEntryName(key, sizeof key) && SameDiscTitle(&identity, key, lstrlenA(key))) {
        *held = identity.number;
        found = identity.number == number ? DISC_RIGHT : DISC_OTHER_NUMBER;
    }
    HeapFree(GetProcessHeap(), 0, data);
    return found;
}

// Where a player keeps the next disc, in this order: the drive of the first (swapped there),
// every CD-ROM drive, a folder copy laid beside the first (...\Disc1, ...\Disc2). 1 with
// {source} naming it.
static int FindDisc(int number)
{
    char folder[PATH_SIZE];
    int held;
    if (IdentifyDisc(s_firstDisc, number, &held) == DISC_RIGHT) {
        lstrcpyA(g_state.sourceFolder, s_firstDisc);
        return 1;
    }
    DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; i++) {
        if (!(drives & (1u << i))) continue;
        wsprintfA(folder, "%c:", 'A' + i);
        if (FolderDriveType(folder) != DRIVE_CDROM || IdentifyDisc(folder, number, &held) != DISC_RIGHT) continue;
        lstrcpyA(g_state.sourceFolder, folder);
        return 1;
    }
    if (SideBySide(folder, number) && IdentifyDisc(folder, number, &held) == DISC_RIGHT) {
        lstrcpyA(g_state.sourceFolder, folder);
        return 1;
    }
    return 0;
}

// folder's Setup.dsk, whole and parsed; data holds it (HeapFree it) on 1.
static int ReadIdentity(const char *folder, char **data, DiscIdentity *identity)
{
    char path[PATH_SIZE];
    DWORD got = 0;
    *data = NULL;
    if (!JoinPath(path, sizeof path, folder, "Setup.dsk") || !ReadWholeFile(path, IDENTITY_MAX, data, &got))
        return 0;
    if (ParseDiscIdentity(*data, (int)got, identity)) return 1;
    HeapFree(GetProcessHeap(), 0, *data);
    *data = NULL;
    return 0;
}

// {first}\..\Disc<number> where the first disc's folder is named Disc<m>, in either case.
static int SideBySide(char *out, int number)
{
    char name[16];
    int length = lstrlenA(s_firstDisc);
    int cut = LastBackslash(s_firstDisc, length);
    const char *last = s_firstDisc + cut + 1;
    int lastLength = length - cut - 1;
    if (cut <= 0 || lastLength < 5 || lastLength > 6) return 0;
    if ((last[0] | 0x20) != 'd' || (last[1] | 0x20) != 'i' || (last[2] | 0x20) != 's' || (last[3] | 0x20) != 'c')
        return 0;
    for (int i = 4; i < lastLength; i++)
        if (last[i] < '0' || last[i] > '9') return 0;
    wsprintfA(name, "Disc%d", number);
    if (cut + 1 + lstrlenA(name) >= PATH_SIZE) return 0;
    CopyMemory(out, s_firstDisc, cut + 1);
    lstrcpyA(out + cut + 1, name);
    return 1;
}

static void SayWrongDisc(int found, int held, int number)
{
    char text[128];
    // the texts' own bytes and four digits fit
    if (found == DISC_OTHER_TITLE) wsprintfA(text, Text(TX_DISC_OF_OTHER_TITLE), number);
    else wsprintfA(text, Text(TX_OTHER_DISC), held, number);
    ShowMessage(g_state.mainWindow, text, Text(TX_CAPTION_DISC), MB_OK | MB_ICONWARNING);
}
