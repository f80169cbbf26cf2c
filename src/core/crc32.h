// CRC-32 (the polynomial of zip, PNG and Ethernet). Pure: no Win32, so it also builds natively.
#pragma once

// The CRC-32 of data[0..len) continued from crc, the value of the bytes before it (0 for
// none): Crc32(Crc32(0, a, n), b, m) is the CRC of a followed by b.
unsigned Crc32(unsigned crc, const void *data, int len);

// From here on, the processor's carry-less multiply where it has one (with SSE2) and the
// system saves the registers it uses (xmmSaved; Windows 95 does not): several times the
// tables' speed. 0 turns it off. 1 when it is in use.
int UseCrc32Instructions(int xmmSaved);
