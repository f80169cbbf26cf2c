// Setup.dsk, the identity file in the root of every disc of a title on two or more discs.
// Pure: no Win32, so it also builds natively (the authoring tool links it).
//
//   SETUPDISC 1\r\n
//   <this disc's number> <the number of discs>\r\n
//   <bytes the whole install copies, from all discs, decimal>\r\n
//   <title key: "{maker} {game stem} {title}", as the installed-programs entry is named>\r\n
#pragma once

#define DISC_KEY_MAX 255  // a registry key name holds no more

struct DiscIdentity {
    int number;  // 1 to count
    int count;   // 2 to 99
    unsigned long long totalBytes;
    const char *key;  // inside the parsed buffer, not terminated
    int keyLength;    // 1 to DISC_KEY_MAX
};

// 1 when buf[0..len) is a whole identity file as above: numbers in decimal without a leading
// zero, a key without NUL, CR or LF, each line ended by CR LF and nothing after the last.
// Never reads past len; identity is left zeroed on failure.
int ParseDiscIdentity(const char *buf, int len, DiscIdentity *identity);

// 1 when the identity names the title of key[0..keyLength), byte for byte.
int SameDiscTitle(const DiscIdentity *identity, const char *key, int keyLength);
