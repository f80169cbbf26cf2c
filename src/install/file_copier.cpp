#include "file_copier.h"
#include "../core/cp932.h"
#include "../core/crc32.h"
#include "../core/state.h"
#include "../platform/platform.h"

// 1 MiB blocks: a sixteenth of the calls and hand-overs of 64 KiB ones, and a drive reads
// no slower in them. Three buffers: one written, two read ahead.
#define COPY_BLOCK (1 << 20)
#define SMALLEST_BLOCK 65536
#define COPY_SLOTS 3
#define WAIT_SLICE_MS 10
// Reading ahead pays where reading costs time (a disc, a network), and costs a hand-over a
// block where it does not (the page cache): the source is judged by its pace over every
// 16 MiB read, and read ahead below 100 MB/s.
#define PACE_WINDOW (16 << 20)
#define SLOW_BYTES_PER_MS 100000

// One buffer's block as the reader left it; the file ends with the block marked last.
struct CopySlot {
    DWORD got;
    DWORD error;
    int last;
};

static BYTE s_fallback[SMALLEST_BLOCK];
static BYTE *s_memory;
static DWORD s_blockSize;
static int s_slotCount;
static CopySlot s_slots[COPY_SLOTS];
static void (*s_idle)(void);
// The reader waits for s_wake (a file, or the end of the run), takes a buffer from s_free,
// and hands it back filled through s_filled; both walk the buffers in the same order.
static HANDLE s_thread, s_wake, s_free, s_filled;
static volatile LONG s_stop, s_abort;
// the file being read: the reader's while it is ahead, the caller's otherwise
static HANDLE s_in;
static ULONGLONG s_size, s_left;
static int s_checked;
static unsigned s_crc;
static int s_ahead, s_done, s_next, s_held, s_readerStart;
// the pace of the reads: milliseconds and bytes of the current window, and its verdict
static DWORD s_paceMs;
static ULONGLONG s_paceBytes;
static int s_slowSource, s_aheadAlways;
// the next file of a line, opened by the reader while the caller copies the current one:
// s_readAsked and s_openAsked are the reader's work, s_opening the caller's view of the
// open until its handles are taken or dropped
static volatile LONG s_readAsked, s_openAsked;
static int s_opening;
static char s_aheadSrc[PATH_SIZE], s_aheadDst[PATH_SIZE];
static HANDLE s_aheadIn, s_aheadOut, s_opened;
static ULONGLONG s_aheadSize;

static DWORD WINAPI ReadAhead(LPVOID unused);
static void ReadFileAhead(void);
static void OpenFileAhead(void);
static int FillSlot(int slot, ULONGLONG *left);
static void ReleaseHeld(void);
static void WaitForOpened(void);
static void WaitWithMessages(HANDLE event);
static void StartReader(void);

void StartFileCopier(void (*idle)(void), int slow)
{
    s_idle = idle;
    s_next = 0;
    s_held = -1;
    s_stop = 0;
    s_paceMs = 0;
    s_paceBytes = 0;
    s_slowSource = slow;
    UseCrc32Instructions(SseRegistersKept());
    // asked for once, at the start of the run; a machine short of memory gets smaller blocks
    for (s_blockSize = COPY_BLOCK; s_blockSize >= SMALLEST_BLOCK; s_blockSize /= 2) {
        s_memory = (BYTE *)VirtualAlloc(NULL, COPY_SLOTS * s_blockSize, MEM_COMMIT, PAGE_READWRITE);
        if (s_memory) break;
    }
    if (!s_memory) {
        s_memory = s_fallback;
        s_blockSize = sizeof s_fallback;
        s_slotCount = 1;
        return;  // read in turn
    }
    s_slotCount = COPY_SLOTS;
    DWORD id;  // Windows 95 wants somewhere to put it
    s_wake = CreateEventA(NULL, FALSE, FALSE, NULL);
    s_free = CreateSemaphoreA(NULL, COPY_SLOTS, COPY_SLOTS, NULL);
    s_filled = CreateSemaphoreA(NULL, 0, COPY_SLOTS, NULL);
    s_opened = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (s_wake && s_free && s_filled && s_opened) s_thread = CreateThread(NULL, 0, ReadAhead, NULL, 0, &id);
}

void StopFileCopier(void)
{
    DropFilesOpened();
    if (s_thread) {
        s_stop = 1;
        SetEvent(s_wake);
        WaitForSingleObject(s_thread, INFINITE);
        CloseHandle(s_thread);
    }
    if (s_filled) CloseHandle(s_filled);
    if (s_free) CloseHandle(s_free);
    if (s_wake) CloseHandle(s_wake);
    if (s_opened) CloseHandle(s_opened);
    if (s_memory && s_memory != s_fallback) VirtualFree(s_memory, 0, MEM_RELEASE);
    s_thread = s_wake = s_free = s_filled = s_opened = NULL;
    s_memory = NULL;
}

void BeginFileRead(HANDLE in, ULONGLONG size, int checked)
{
    s_in = in;
    s_size = s_left = size;
    s_checked = checked;
    s_crc = 0;
    s_abort = 0;
    s_held = -1;
    s_done = size == 0;
    s_ahead = 0;
    // from a slow source a file of more than 64 KiB goes to the reader, so that the window is
    // served while the drive works (a smaller one costs the drive little more than its seek);
    // from a fast one a file of one block is read at once, as handing it over would cost more
    // than it saves
    if (s_thread && (s_slowSource ? size > SMALLEST_BLOCK : s_aheadAlways && size > s_blockSize)) StartReader();
}

void ReadAheadAlways(int always)
{
    s_aheadAlways = always;
}

int NextFileBlock(const BYTE **data, DWORD *got)
{
    *data = NULL;
    *got = 0;
    if (s_done) {
        SetLastError(ERROR_HANDLE_EOF);
        return 0;
    }
    int slot = s_next;
    if (s_ahead) {
        ReleaseHeld();
        WaitWithMessages(s_filled);
        s_held = slot;
        s_next = (slot + 1) % s_slotCount;
        s_done = s_slots[slot].last;
    } else {
        s_done = FillSlot(slot, &s_left);  // the reader is idle: its buffer is free
        if (!s_done && s_thread && s_slowSource && s_slots[slot].got) {
            // the source turned out slow: the reader takes the rest of the file from here,
            // this block held as one handed out
            WaitForSingleObject(s_free, 0);
            s_held = slot;
            s_next = (slot + 1) % s_slotCount;
            s_size = s_left;
            StartReader();
        }
    }
    if (s_slots[slot].got == 0) {
        SetLastError(s_slots[slot].error);
        return 0;
    }
    *data = s_memory + slot * s_blockSize;
    *got = s_slots[slot].got;
    return 1;
}

void OpenFilesAhead(const char *src, const char *dst)
{
    if (!s_thread || s_opening || lstrlenA(src) >= PATH_SIZE || lstrlenA(dst) >= PATH_SIZE) return;
    lstrcpyA(s_aheadSrc, src);
    lstrcpyA(s_aheadDst, dst);
    s_opening = 1;
    InterlockedExchange(&s_openAsked, 1);
    SetEvent(s_wake);
}

int TakeFilesOpened(const char *src, const char *dst, HANDLE *in, HANDLE *out, ULONGLONG *size)
{
    *in = *out = INVALID_HANDLE_VALUE;
    *size = 0;
    if (!s_opening) return 0;
    if (!SameBytes(src, s_aheadSrc) || !SameBytes(dst, s_aheadDst)) {
        DropFilesOpened();  // another file comes first after all
        return 0;
    }
    WaitForOpened();
    *in = s_aheadIn;
    *out = s_aheadOut;
    *size = s_aheadSize;
    return 1;
}

void DropFilesOpened(void)
{
    if (!s_opening) return;
    WaitForOpened();
    if (s_aheadIn != INVALID_HANDLE_VALUE) CloseHandle(s_aheadIn);
    if (s_aheadOut != INVALID_HANDLE_VALUE) {
        // made here, and empty: no file that was there before is lost
        CloseHandle(s_aheadOut);
        SysDeleteFile(s_aheadDst);
    }
}

ULONGLONG OpenFileSize(HANDLE file)
{
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    return ((ULONGLONG)high << 32) | low;
}

unsigned EndFileRead(void)
{
    if (s_ahead) {
        ReleaseHeld();
        // given up before its end: the reader stops at its next block, whose buffer it marks last
        s_abort = 1;
        while (!s_done) {
            WaitWithMessages(s_filled);
            s_done = s_slots[s_next].last;
            s_next = (s_next + 1) % s_slotCount;
            ReleaseSemaphore(s_free, 1, NULL);
        }
    }
    s_ahead = 0;
    s_done = 1;
    return s_crc;
}

static DWORD WINAPI ReadAhead(LPVOID unused)
{
    (void)unused;
    for (;;) {
        WaitForSingleObject(s_wake, INFINITE);
        // the file being copied comes before the next one
        for (;;) {
            if (s_stop) return 0;
            if (InterlockedExchange(&s_readAsked, 0)) ReadFileAhead();
            else if (s_openAsked) OpenFileAhead();
            else break;
        }
    }
}

static void ReadFileAhead(void)
{
    int slot = s_readerStart;
    ULONGLONG left = s_size;
    int last = 0;
    while (!last) {
        WaitForSingleObject(s_free, INFINITE);
        last = FillSlot(slot, &left);
        ReleaseSemaphore(s_filled, 1, NULL);
        slot = (slot + 1) % s_slotCount;
    }
}

// The source is opened and sized; the destination is made new: a file already there (an
// earlier install's) is left whole until the copy comes to it, in case the run stops before.
static void OpenFileAhead(void)
{
    s_aheadIn = SysCreateFile(s_aheadSrc, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    s_aheadOut = INVALID_HANDLE_VALUE;
    if (s_aheadIn != INVALID_HANDLE_VALUE) {
        s_aheadSize = OpenFileSize(s_aheadIn);
        s_aheadOut = SysCreateFile(s_aheadDst, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_NEW);
    }
    InterlockedExchange(&s_openAsked, 0);
    SetEvent(s_opened);
}

// Reads the next block of the file into a buffer; 1 when the file ends there: read whole,
// failed, brought nothing (the disc went away, the file shrank) or was given up.
static int FillSlot(int slot, ULONGLONG *left)
{
    CopySlot *s = &s_slots[slot];
    BYTE *data = s_memory + slot * s_blockSize;
    s->got = 0;
    s->error = 0;
    s->last = 1;
    if (s_abort) return 1;
    DWORD want = *left < s_blockSize ? (DWORD)*left : s_blockSize, got = 0;
    DWORD started = GetTickCount();
    BOOL read = ReadFile(s_in, data, want, &got, NULL);
    s_paceMs += GetTickCount() - started;
    s_paceBytes += got;
    if (s_paceBytes >= PACE_WINDOW) {
        s_slowSource = s_paceMs > s_paceBytes / SLOW_BYTES_PER_MS;
        s_paceMs = 0;
        s_paceBytes = 0;
    }
    if (!read || got == 0) {
        DWORD error = GetLastError();
        s->error = error ? error : ERROR_HANDLE_EOF;  // never loop on a read that brings nothing
        return 1;
    }
    if (s_checked) s_crc = Crc32(s_crc, data, (int)got);  // the block as read, never read again
    s->got = got;
    *left -= got;
    s->last = *left == 0;
    return s->last;
}

// Hands the rest of the file, from the next buffer on, to the reader.
static void StartReader(void)
{
    s_ahead = 1;
    s_readerStart = s_next;
    InterlockedExchange(&s_readAsked, 1);
    SetEvent(s_wake);
}

static void ReleaseHeld(void)
{
    if (s_held < 0) return;
    s_held = -1;
    ReleaseSemaphore(s_free, 1, NULL);
}

// The handles are the caller's from here.
static void WaitForOpened(void)
{
    while (s_openAsked) WaitWithMessages(s_opened);
    s_opening = 0;
}

// The window is looked after while the disc is slow.
static void WaitWithMessages(HANDLE event)
{
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, WAIT_SLICE_MS, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return;
        if (woke == WAIT_FAILED) {
            WaitForSingleObject(event, INFINITE);
            return;
        }
        if (s_idle) s_idle();
    }
}
