#include "file_copier.h"
#include "../core/crc32.h"
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

static DWORD WINAPI ReadAhead(LPVOID unused);
static int FillSlot(int slot, ULONGLONG *left);
static void ReleaseHeld(void);
static void WaitForBlock(void);
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
    if (s_wake && s_free && s_filled) s_thread = CreateThread(NULL, 0, ReadAhead, NULL, 0, &id);
}

void StopFileCopier(void)
{
    if (s_thread) {
        s_stop = 1;
        SetEvent(s_wake);
        WaitForSingleObject(s_thread, INFINITE);
        CloseHandle(s_thread);
    }
    if (s_filled) CloseHandle(s_filled);
    if (s_free) CloseHandle(s_free);
    if (s_wake) CloseHandle(s_wake);
    if (s_memory && s_memory != s_fallback) VirtualFree(s_memory, 0, MEM_RELEASE);
    s_thread = s_wake = s_free = s_filled = NULL;
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
        WaitForBlock();
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

unsigned EndFileRead(void)
{
    if (s_ahead) {
        ReleaseHeld();
        // given up before its end: the reader stops at its next block, whose buffer it marks last
        s_abort = 1;
        while (!s_done) {
            WaitForBlock();
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
        if (s_stop) return 0;
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
    SetEvent(s_wake);
}

static void ReleaseHeld(void)
{
    if (s_held < 0) return;
    s_held = -1;
    ReleaseSemaphore(s_free, 1, NULL);
}

// The window is looked after while the disc is slow.
static void WaitForBlock(void)
{
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &s_filled, FALSE, WAIT_SLICE_MS, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return;
        if (woke == WAIT_FAILED) {
            WaitForSingleObject(s_filled, INFINITE);
            return;
        }
        if (s_idle) s_idle();
    }
}
