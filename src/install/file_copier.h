// Reads the file being copied ahead, on a thread of its own, while the caller writes the
// blocks already read: a disc and a disk then work at the same time instead of in turns. The
// same thread opens the next file meanwhile, so that making a file (the dearest step of a
// small one) overlaps the writing of the last.
#pragma once
#include <windows.h>

// Takes the block buffers and starts the reader, once per run; idle is called at least every
// 10 ms while a block or an open is awaited (the window's messages). slow: the source is a
// disc or the network, read ahead from its first file on; else its pace decides. Where memory
// or the thread is missing, files are read in turn on the caller's thread, in smaller blocks
// if need be.
void StartFileCopier(void (*idle)(void), int slow);
void StopFileCopier(void);

// Starts reading size bytes of in (open for reading; closed by the caller after
// EndFileRead); with checked, the CRC-32 of the bytes read is kept.
void BeginFileRead(HANDLE in, ULONGLONG size, int checked);
// The next block as read, valid until the next call: 1 with its bytes, 0 when the read failed
// or brought nothing before the size was reached (the last error then says why).
int NextFileBlock(const BYTE **data, DWORD *got);
// Ends the file, whether read whole or given up; the CRC-32 of the bytes read.
unsigned EndFileRead(void);
// Opens the next file while the current one is copied, on the reader's thread: src for
// reading, and sized, and dst made new (a file already there is left for the caller to
// replace). One at a time; the caller takes the handles, or drops them before another is
// asked for.
void OpenFilesAhead(const char *src, const char *dst);
// The handles opened ahead for src and dst, each INVALID_HANDLE_VALUE where the open failed or
// was not tried (the caller opens it then, and says why it fails), and the size of in; 0 when
// these files were not asked for.
int TakeFilesOpened(const char *src, const char *dst, HANDLE *in, HANDLE *out, ULONGLONG *size);
// The size of an open file; 0 where the system cannot tell it.
ULONGLONG OpenFileSize(HANDLE file);
// Closes what was opened ahead and not taken, and deletes the destination it made.
void DropFilesOpened(void);
// 1: every file of more than one block is read ahead, whatever the source's pace (tests);
// 0: only from a source slower than the page cache, and there every file of more than 64 KiB.
void ReadAheadAlways(int always);
