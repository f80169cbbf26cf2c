// The native yardstick, built with the host compiler by bench/copy_bench.sh: the same tree
// walk as copy_bench's Win32 loop, with read(2) and write(2) and no Wine.
//   native_copy copy SRC DST BLOCK | read SRC BLOCK | write SRC DST BLOCK
// Prints the bytes and the seconds.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: native_copy copy SRC DST BLOCK | read SRC BLOCK | write SRC DST BLOCK\n");
        return 2;
    }
    bool read = !strcmp(argv[1], "read"), write = !strcmp(argv[1], "write");
    fs::path src = argv[2], dst = read ? fs::path() : fs::path(argv[3]);
    std::vector<char> block(atoi(argv[read ? 3 : 4]), 'x');
    auto t0 = std::chrono::steady_clock::now();
    unsigned long long bytes = 0;
    int ok = 1;
    if (!read) fs::create_directories(dst);
    for (auto &e : fs::recursive_directory_iterator(src)) {
        fs::path to = dst / fs::relative(e.path(), src);
        if (e.is_directory()) {
            if (!read) fs::create_directory(to);
            continue;
        }
        unsigned long long left = e.file_size();
        int in = write ? -1 : open(e.path().c_str(), O_RDONLY);
        int out = read ? -1 : open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        while (left > 0) {
            size_t want = left < block.size() ? left : block.size();
            ssize_t got = write ? (ssize_t)want : ::read(in, block.data(), want);
            if (got <= 0 || (!read && ::write(out, block.data(), got) != got)) {
                ok = 0;
                break;
            }
            left -= got;
            bytes += got;
        }
        if (in >= 0) close(in);
        if (out >= 0) close(out);
    }
    printf("%llu %.3f\n", bytes, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    return !ok;
}
