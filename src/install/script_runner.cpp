#include "script_runner.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../ui/main_window.h"
#include "checksum_list.h"
#include "disc_change.h"
#include "file_copier.h"
#include "install_log.h"
#include "script_parser.h"

#define kNoMatch Text(TX_NO_MATCH)
#define kFolderFailed Text(TX_FOLDER_FAILED)
#define kSourceMissing Text(TX_SOURCE_MISSING)
#define kInstallFailed Text(TX_INSTALL_FAILED)
#define kScriptUnreadable Text(TX_SCRIPT_UNREADABLE)
#define kDamaged Text(TX_DAMAGED)
#define kListDamaged Text(TX_LIST_DAMAGED)
#define kNameUnusable Text(TX_NAME_UNUSABLE)
#define kNameTooLong Text(TX_NAME_TOO_LONG)

// what becomes of one file of an 'F' line
enum { FILE_COPY, FILE_UNUSABLE, FILE_RUNNING, FILE_NO_SOURCE, FILE_NO_TARGET };

// One file of a line as planned: the name at 'at' of the line's names, with 'taken' files
// before it, and its paths. The next file's, planned while looking ahead, serves in its turn.
struct LineFile {
    int at, taken, plan;
    char relative[PATH_SIZE], src[PATH_SIZE], dst[PATH_SIZE];
};

// a look at the queue costs as much as copying a block, so it is taken at most this often
#define PUMP_INTERVAL_MS 10

static ULONGLONG s_total;
static DWORD s_lastPump;
static char s_self[PATH_SIZE];
static const char *s_selfName = s_self;
// the disc's list of sizes and CRC-32s (Setup.crc), NULL without a usable one, and its index
static char *s_list;
static int s_listLength, *s_listSlots, s_listSlotCount;
// The files one 'F' line matched, from one scan of its folder, named in the log and copied
// from here: for each, its FoundNameUnusable answer (4 bytes), then its name and a NUL.
// s_namesCut when memory ran out before the last.
static char *s_names;
static int s_namesLength, s_namesCapacity, s_namesCut;

static void ReportLine(HWND owner, const char *text, const char *caption);
static void RunFolderLine(const char *line, int length);
static int ScanLineFiles(const char *pattern);
static int NameLineFiles(const char *prefix, int prefixLen);
static int PlanLineFile(const char *prefix, int prefixLen, int named, LineFile *file);
static int NextLineName(int at);
static ULONGLONG CopyPattern(const char *line, int length, ULONGLONG before);
static int CopyOneFile(const char *src, const char *dst, HANDLE in, HANDLE out, ULONGLONG size,
                       const char *relative, ULONGLONG before, ULONGLONG *lineBytes);
static void LoadChecksumList(void);
static void FreeChecksumList(void);
static int ReportMissingListed(const char *path, int found);
static void PumpOneMessage(void);
static void PumpWhileWaiting(void);
static int IsRunningProgram(const char *path);
static int SameFile(const char *a, const char *b);
static void FindRunningProgram(void);

int RunScript(void)
{
    char path[PATH_SIZE], text[PATH_SIZE + 64];
    char *script = NULL;
    DWORD got = 0;
    int joined = JoinPath(path, sizeof path, g_state.sourceFolder, "Setup.ini");
    // a missing, unreadable or cut-off script is said as such, never taken for an empty one
    if (!joined || !ReadWholeFile(path, 0x7FFFFFFE, &script, &got)) {
        if (!joined) CopyTextCut(path, sizeof path, g_state.sourceFolder, -1);
        lstrcpyA(text, kScriptUnreadable);
        lstrcatA(text, "\n");
        lstrcatA(text, path);
        ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
        return 0;
    }

    s_total = 0;
    s_lastPump = GetTickCount() - PUMP_INTERVAL_MS;  // the first block looks at once
    FindRunningProgram();
    BeginDiscs();
    LoadChecksumList();
    UINT drive = FolderDriveType(g_state.sourceFolder);
    StartFileCopier(PumpWhileWaiting, drive == DRIVE_CDROM || drive == DRIVE_REMOTE);
    int pos = 0, badDisc = 0;
    ScriptLine line;
    while (NextScriptLine(script, (int)got, &pos, &line)) {
        int kind = line.length > 0 ? line.text[0] : 0;
        if (kind == 'V') {
            // the lines that follow copy from that disc, checked against its own Setup.crc
            int change = ChangeDisc(ScriptLineDisc(&line));
            if (change == DISC_CANCELLED) break;
            badDisc = change == DISC_BAD_LINE;
            if (badDisc) {
                // a disc this title does not have: its lines are said once, never copied
                // from another disc
                char caption[PATH_SIZE];
                CopyTextCut(caption, sizeof caption, line.text, line.length);
                ReportLine(NULL, kNoMatch, caption);
            } else if (change == DISC_READY) {
                FreeChecksumList();
                LoadChecksumList();
            }
            continue;
        }
        if (badDisc) continue;
        // anything else is a comment, however long the comments run together
        if (kind != 'D' && kind != 'F') continue;
        if (line.length > PATH_SIZE - 1 || !ScriptLineInside(&line) ||
            !IsSystemText(line.text, line.length)) {
            // beyond a path buffer, outside {install} or no code page 932 text: reported like a
            // pattern that matches nothing; nothing outside is made, and nothing the uninstall
            // would call damaged goes into the log
            char caption[PATH_SIZE];
            CopyTextCut(caption, sizeof caption, line.text, line.length);
            ReportLine(NULL, kNoMatch, caption);
            continue;
        }
        if (kind == 'D') RunFolderLine(line.text, line.length);
        else s_total += CopyPattern(line.text, line.length, s_total);
        // a journal that cannot take the next entry stops the run: nothing is made that a
        // killed run would leave unnamed
        if (InstallJournalFailed()) break;
    }
    HeapFree(GetProcessHeap(), 0, script);
    StopFileCopier();
    if (s_names) HeapFree(GetProcessHeap(), 0, s_names);
    s_names = NULL;
    s_namesCapacity = 0;
    FreeChecksumList();
    EndDiscs();
    if (DiscChangeCancelled()) return 0;  // the install run takes back what was copied
    if (InstallJournalFailed()) {
        char journal[PATH_SIZE];
        if (!JoinPath(journal, sizeof journal, g_state.installFolder, "Setup.dat"))
            CopyTextCut(journal, sizeof journal, g_state.installFolder, -1);
        ReportLine(g_state.mainWindow, kInstallFailed, journal);
        return 0;
    }
    DrawProgressFull();
    return 1;
}

ULONGLONG ScriptBytesCopied(void)
{
    return s_total;
}

static void ReportLine(HWND owner, const char *text, const char *caption)
{
    g_state.installProblems++;
    ShowMessage(owner, text, caption, MB_OK | MB_ICONWARNING);
}

// The path of a line (from byte 2) in a path buffer; lines reach here at most 259 bytes long.
static void LinePath(const char *line, int length, char *out)
{
    ScriptLine whole = {line, length};
    ScriptLinePath(&whole, out, PATH_SIZE);
}

static void RunFolderLine(const char *line, int length)
{
    char path[PATH_SIZE], target[PATH_SIZE];
    LinePath(line, length, path);
    // nothing is made that the uninstall would not know of
    if (!AppendInstallLog(line, length) || !FlushInstallJournal()) {
        if (InstallJournalFailed()) return;  // the run stops and says so
        char caption[PATH_SIZE];
        CopyTextCut(caption, sizeof caption, g_state.installFolder, -1);
        ReportLine(g_state.mainWindow, kFolderFailed, caption);
        return;
    }
    if (!JoinPath(target, sizeof target, g_state.installFolder, path)) {
        char caption[PATH_SIZE];
        CopyTextCut(caption, sizeof caption, g_state.installFolder, -1);
        ReportLine(g_state.mainWindow, kFolderFailed, caption);
        return;
    }
    if (!SysCreateDirectory(target) && GetLastError() != ERROR_ALREADY_EXISTS)
        ReportLine(g_state.mainWindow, kFolderFailed, target);
}

// The files one 'F' line matches, in the order the system gives them: one scan of the folder
// serves the log and the copy. 0 when nothing matches.
static int ScanLineFiles(const char *pattern)
{
    WIN32_FIND_DATAA found;
    s_namesLength = 0;
    s_namesCut = 0;
    HANDLE find = SysFindFirstFile(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;  // also "." and ".."
        int size = 4 + lstrlenA(found.cFileName) + 1;
        if (s_namesLength + size > s_namesCapacity) {
            int capacity = s_namesCapacity ? s_namesCapacity * 2 : 65536;
            char *grown = s_names ? (char *)HeapReAlloc(GetProcessHeap(), 0, s_names, capacity)
                                  : (char *)HeapAlloc(GetProcessHeap(), 0, capacity);
            if (!grown) {
                s_namesCut = 1;  // the copy says so where the list ends
                break;
            }
            s_names = grown;
            s_namesCapacity = capacity;
        }
        DWORD unusable = FoundNameUnusable(&found);
        CopyMemory(s_names + s_namesLength, &unusable, 4);
        lstrcpyA(s_names + s_namesLength + 4, found.cFileName);
        s_namesLength += size;
    } while (SysFindNextFile(find, &found));
    FindClose(find);
    return 1;
}

// Names in the log, and has reach the disk together, the files of one 'F' line that are to
// be copied: one flush for the line rather than one a file. Stops at the first name that does
// not fit (the copy abandons the line there) or whose entry fails; their count.
static int NameLineFiles(const char *prefix, int prefixLen)
{
    char relative[PATH_SIZE];
    int named = 0;
    for (int at = 0; at < s_namesLength; at += 4 + lstrlenA(s_names + at + 4) + 1) {
        DWORD unusable;
        const char *name = s_names + at + 4;
        CopyMemory(&unusable, s_names + at, 4);
        if (unusable) continue;
        if (prefixLen + lstrlenA(name) + 2 >= PATH_SIZE) break;
        wsprintfA(relative, "F %s%s", prefix, name);
        if (!AppendInstallLog(relative, lstrlenA(relative))) break;
        named++;
    }
    return FlushInstallJournal() ? named : 0;
}

// Copies every file matching one 'F' line; returns its bytes, or 0 when abandoned.
static ULONGLONG CopyPattern(const char *line, int length, ULONGLONG before)
{
    char path[PATH_SIZE], pattern[PATH_SIZE], caption[PATH_SIZE], prefix[PATH_SIZE];
    CopyMemory(caption, line, length);
    caption[length] = 0;
    LinePath(line, length, path);
    int prefixLen = FolderPrefixLength(path, lstrlenA(path));
    CopyMemory(prefix, path, prefixLen);
    prefix[prefixLen] = 0;

    if (!JoinPath(pattern, sizeof pattern, g_state.sourceFolder, path) || !ScanLineFiles(pattern)) {
        // a file the disc's list names is damage, said by its name
        if (!ReportMissingListed(path, 0)) ReportLine(NULL, kNoMatch, caption);
        return 0;
    }
    // every file is named before the first is made
    int named = NameLineFiles(prefix, prefixLen), taken = 0;
    ULONGLONG lineBytes = 0;
    int abandoned = 0;
    LineFile files[2], *file = &files[0], *ahead = &files[1];
    ahead->at = -1;
    for (int at = 0; at < s_namesLength; at = NextLineName(at)) {
        if (InstallJournalFailed()) {
            abandoned = 1;  // the run stops and says so
            break;
        }
        if (ahead->at == at && ahead->taken == taken) {
            LineFile *planned = ahead;  // planned while the last file was copied
            ahead = file;
            file = planned;
        } else {
            file->at = at;
            file->taken = taken;
            file->plan = PlanLineFile(prefix, prefixLen, named, file);
        }
        ahead->at = -1;
        if (file->plan == FILE_UNUSABLE) {
            // never installed under another name (its short one): the game would not find it;
            // said with the name as shown, and the rest of the line goes on
            DWORD unusable;
            CopyMemory(&unusable, s_names + at, 4);
            ReportLine(g_state.mainWindow, unusable == ERROR_FILENAME_EXCED_RANGE ? kNameTooLong : kNameUnusable,
                       file->src);
            continue;
        }
        taken++;
        if (file->plan == FILE_RUNNING) continue;  // the staged installer is already in place
        if (file->plan != FILE_COPY) {
            // no memory for its entry (no file is copied that the uninstall would leave), or
            // a path that does not fit
            ReportLine(g_state.mainWindow, file->plan == FILE_NO_SOURCE ? kSourceMissing : kInstallFailed,
                       file->plan == FILE_NO_SOURCE ? file->src : file->dst);
            abandoned = 1;
            break;
        }
        // this file was opened while the last one was copied, where it could be; the next one
        // is opened while this one is copied
        HANDLE in, out;
        ULONGLONG size;
        TakeFilesOpened(file->src, file->dst, &in, &out, &size);
        ahead->taken = taken;
        for (ahead->at = NextLineName(at); ahead->at < s_namesLength; ahead->at = NextLineName(ahead->at)) {
            ahead->plan = PlanLineFile(prefix, prefixLen, named, ahead);
            if (ahead->plan == FILE_UNUSABLE) continue;
            if (ahead->plan == FILE_COPY) OpenFilesAhead(ahead->src, ahead->dst);
            if (ahead->plan != FILE_RUNNING) break;
            ahead->taken++;
        }
        if (!CopyOneFile(file->src, file->dst, in, out, size, file->relative + 2, before, &lineBytes)) {
            abandoned = 1;
            break;
        }
    }
    DropFilesOpened();
    if (s_namesCut && !abandoned) {
        // no memory for the rest of its names: nothing is copied that the log would not name
        ReportLine(g_state.mainWindow, kInstallFailed, g_state.installFolder);
        abandoned = 1;
    }
    ReportMissingListed(path, named);
    return abandoned ? 0 : lineBytes;
}

// What the copy makes of the line's file whose name is at s_names + file->at, the taken-th of
// the usable ones, with its entry "F path" in relative and its paths in src and dst. Where it
// is not copied, src or dst holds what the report says: the name as shown (FILE_UNUSABLE),
// the source folder (FILE_NO_SOURCE) or the file or folder that cannot be made (FILE_NO_TARGET).
static int PlanLineFile(const char *prefix, int prefixLen, int named, LineFile *file)
{
    int at = file->at, taken = file->taken;
    char *relative = file->relative, *src = file->src, *dst = file->dst;
    DWORD unusable;
    const char *name = s_names + at + 4;
    CopyMemory(&unusable, s_names + at, 4);
    int nameFits = prefixLen + lstrlenA(name) + 2 < PATH_SIZE;
    if (unusable) {
        if (!nameFits) lstrcpyA(relative, "F ");
        else wsprintfA(relative, "F %s%s", prefix, name);
        if (!JoinPath(src, PATH_SIZE, g_state.sourceFolder, relative + 2)) CopyTextCut(src, PATH_SIZE, name, -1);
        return FILE_UNUSABLE;
    }
    if (nameFits) {
        wsprintfA(relative, "F %s%s", prefix, name);
        if (taken >= named) {
            if (!JoinPath(dst, PATH_SIZE, g_state.installFolder, relative + 2))
                CopyTextCut(dst, PATH_SIZE, g_state.installFolder, -1);
            return FILE_NO_TARGET;
        }
    }
    if (!nameFits || !JoinPath(src, PATH_SIZE, g_state.sourceFolder, relative + 2)) {
        CopyTextCut(src, PATH_SIZE, g_state.sourceFolder, -1);
        return FILE_NO_SOURCE;
    }
    if (!JoinPath(dst, PATH_SIZE, g_state.installFolder, relative + 2)) {
        CopyTextCut(dst, PATH_SIZE, g_state.installFolder, -1);
        return FILE_NO_TARGET;
    }
    return IsRunningProgram(dst) ? FILE_RUNNING : FILE_COPY;
}

static int NextLineName(int at)
{
    return at + 4 + lstrlenA(s_names + at + 4) + 1;
}

// A file the disc's list names under a line but the disc does not hold is damage, said by
// its name; their count. Only when the list names more files for the line than the disc gave
// are they looked for one by one.
static int ReportMissingListed(const char *path, int found)
{
    char relative[PATH_SIZE], src[PATH_SIZE];
    ChecksumEntry entry;
    int pos = 0, listed = 0, missing = 0;
    if (!s_list) return 0;
    int wild = 0;
    for (int i = 0; path[i]; i++) wild |= path[i] == '*' || path[i] == '?';
    // a line of one file finds its entry through the index
    if (!wild) listed = FindChecksumEntry(s_list, s_listLength, s_listSlots, s_listSlotCount, path, &entry);
    else
        while (NextChecksumEntry(s_list, s_listLength, &pos, &entry)) listed += ChecksumEntryMatches(&entry, path);
    if (listed <= found) return 0;
    pos = 0;
    while (NextChecksumEntry(s_list, s_listLength, &pos, &entry)) {
        if (!ChecksumEntryMatches(&entry, path)) continue;
        CopyMemory(relative, entry.name, entry.nameLength);
        relative[entry.nameLength] = 0;
        if (JoinPath(src, sizeof src, g_state.sourceFolder, relative) && !SysPathFileExists(src)) {
            ReportLine(g_state.mainWindow, kDamaged, src);
            missing++;
        }
    }
    return missing;
}

// Copies one file in blocks, advancing the bar; reports its own failure. A file that differs
// from the disc's list is reported and removed, and the pattern goes on (1). in (of size
// bytes) and out are the files as opened ahead; an INVALID_HANDLE_VALUE is opened here.
static int CopyOneFile(const char *src, const char *dst, HANDLE in, HANDLE out, ULONGLONG size,
                       const char *relative, ULONGLONG before, ULONGLONG *lineBytes)
{
    if (in == INVALID_HANDLE_VALUE) {
        in = SysCreateFile(src, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        if (in != INVALID_HANDLE_VALUE) size = OpenFileSize(in);
    }
    if (in == INVALID_HANDLE_VALUE) {
        ReportLine(g_state.mainWindow, kSourceMissing, src);
        return 0;
    }
    if (out == INVALID_HANDLE_VALUE) out = SysCreateFile(dst, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        ReportLine(g_state.mainWindow, kInstallFailed, dst);
        return 0;
    }
    ULONGLONG remaining = size;
    const char *failure = NULL;
    const char *failedPath = NULL;
    ChecksumEntry listed;
    int checked = s_list && FindChecksumEntry(s_list, s_listLength, s_listSlots, s_listSlotCount, relative, &listed);
    if (checked && listed.size != remaining) {
        failure = kDamaged;  // cut short, or grown: the bytes need not be read to know
        failedPath = src;
        remaining = 0;
    }
    // the next blocks are read while this one is written; the CRC-32 is taken as they are read
    BeginFileRead(in, remaining, checked);
    while (remaining > 0) {
        const BYTE *block;
        DWORD got = 0, put = 0;
        if (!NextFileBlock(&block, &got)) {
            // the disc went away or the file shrank: never loop on a read that brings nothing
            failure = kSourceMissing;
            failedPath = src;
            break;
        }
        *lineBytes += got;
        remaining -= got;
        if (!WriteFile(out, block, got, &put, NULL) || put != got) {
            failure = kInstallFailed;  // the disk is full, or the write failed
            failedPath = dst;
            break;
        }
        DrawProgress(before + *lineBytes);
        PumpOneMessage();
    }
    unsigned crc = EndFileRead();
    if (!CloseHandle(out) && !failure) {
        failure = kInstallFailed;
        failedPath = dst;
    }
    CloseHandle(in);
    if (checked && !failure && crc != listed.crc) {
        failure = kDamaged;
        failedPath = src;
    }
    if (failure) {
        SysDeleteFile(dst);  // a cut-off file must not look installed; it stays logged
        ReportLine(g_state.mainWindow, failure, failedPath);
        // the disc still reads: the next file may well be whole
        return failure == kDamaged;
    }
    return 1;
}

// The disc's Setup.crc, when it has one. A list that is damaged itself is said once and
// not used: the files are copied unchecked, as from a disc without one.
static void LoadChecksumList(void)
{
    char path[PATH_SIZE];
    DWORD got = 0;
    s_list = NULL;
    s_listLength = 0;
    s_listSlots = NULL;
    s_listSlotCount = 0;
    if (!JoinPath(path, sizeof path, g_state.sourceFolder, "Setup.crc")) return;
    if (!ReadWholeFile(path, 0x7FFFFFFE, &s_list, &got)) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            ReportLine(g_state.mainWindow, kListDamaged, path);
        return;
    }
    if (!CheckChecksumList(s_list, (int)got)) {
        HeapFree(GetProcessHeap(), 0, s_list);
        s_list = NULL;
        ReportLine(g_state.mainWindow, kListDamaged, path);
        return;
    }
    s_listLength = (int)got;
    // thousands of files looked for through the whole list would cost more than their CRC;
    // without memory for the index they still are
    int slots = ChecksumIndexSize(s_list, s_listLength);
    s_listSlots = (int *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)slots * sizeof(int));
    if (!s_listSlots) return;
    s_listSlotCount = slots;
    IndexChecksumList(s_list, s_listLength, s_listSlots, s_listSlotCount);
}

static void FreeChecksumList(void)
{
    if (s_listSlots) HeapFree(GetProcessHeap(), 0, s_listSlots);
    if (s_list) HeapFree(GetProcessHeap(), 0, s_list);
    s_list = NULL;
    s_listSlots = NULL;
}

// One pending message after a block keeps the window painted and movable; looking more
// often than a screen refreshes shows nothing more.
static void PumpOneMessage(void)
{
    DWORD now = GetTickCount();
    if (now - s_lastPump < PUMP_INTERVAL_MS) return;
    s_lastPump = now;
    MSG msg;
    if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        // a close request has destroyed the window; the quit it posted ends nothing here,
        // and left in the queue it would close the final report at once
        if (msg.message == WM_QUIT) return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// While a block is awaited there is nothing better to do: each wake looks at the queue.
static void PumpWhileWaiting(void)
{
    s_lastPump = GetTickCount() - PUMP_INTERVAL_MS;
    PumpOneMessage();
}

// The script may list Setup.exe so that the uninstall removes it; the install run is that
// very file, which Windows will not let anyone overwrite while it runs. The loader names the
// running copy in the normal form, the settings name {install} as the player typed its root
// ("C:\Games\.\X", "C:\X\..\Games"): the two are compared as full paths, and where only
// the spelling of a folder differs (a short name), as files.
static int IsRunningProgram(const char *path)
{
    char full[PATH_SIZE];
    if (!s_self[0] || !SysGetFullPathName(path, full, sizeof full)) return 0;
    int length = lstrlenA(full);
    if (SameTextNoCase(full, length, s_self)) return 1;
    // only a file of the running program's own name can be it
    int name = LastBackslash(full, length) + 1;
    if (!SameTextNoCase(full + name, length - name, s_selfName)) return 0;
    return SameFile(s_self, full);
}

// 1 when both names open the same file: the same volume and the same index on it.
static int SameFile(const char *a, const char *b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const char *paths[2] = {a, b};
    for (int i = 0; i < 2; i++) {
        HANDLE file = SysCreateFile(paths[i], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
        if (file == INVALID_HANDLE_VALUE) return 0;
        int got = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!got) return 0;
    }
    // a file system without indexes answers 0 for every file
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow &&
           (info[0].nFileIndexHigh | info[0].nFileIndexLow) != 0;
}

// The running program's full path and where its file name starts, once per script.
static void FindRunningProgram(void)
{
    char module[PATH_SIZE];
    s_selfName = s_self;
    if (!SysGetModuleFileName(module, sizeof module) || !SysGetFullPathName(module, s_self, sizeof s_self))
        return;
    s_selfName = s_self + LastBackslash(s_self, lstrlenA(s_self)) + 1;
}
