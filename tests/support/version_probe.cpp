// A tiny helper program for the harness tests.
//   version_probe            prints "platform=<id> version=<major>.<minor>" and exits with dwPlatformId
//                            (1: Windows 95/98/Me, 2: NT)
//   version_probe box        shows a Yes/No question box (owned by nobody) and exits with the answer
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && !strcmp(argv[1], "box")) {
        return MessageBoxA(nullptr, "続けますか？", "プローブ", MB_YESNO | MB_ICONQUESTION);
    }
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    printf("platform=%lu version=%lu.%lu\n", static_cast<unsigned long>(v.dwPlatformId),
           static_cast<unsigned long>(v.dwMajorVersion), static_cast<unsigned long>(v.dwMinorVersion));
    fflush(stdout);
    return static_cast<int>(v.dwPlatformId);
}
