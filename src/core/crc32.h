// CRC-32 (the polynomial of zip, PNG and Ethernet). Pure: no Win32, so it also builds natively.
#pragma once

// The CRC-32 of data[0..len) continued from crc, the value of the bytes before it (0 for
// none): Crc32(Crc32(0, a, n), b, m) is the CRC of a followed by b.
unsigned Crc32(unsigned crc, const void *data, int len);
