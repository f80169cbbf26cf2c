// Runs a fuzz target over files and folders of inputs without libFuzzer, so that the
// committed corpora replay as an ordinary test with any compiler.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int RunFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 0;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return 1;
}

int main(int argc, char **argv)
{
    int files = 0;
    for (int i = 1; i < argc; i++) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 1;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (!RunFile(argv[i])) return 1;
            files++;
            continue;
        }
        DIR *dir = opendir(argv[i]);
        if (!dir) return 1;
        while (dirent *e = readdir(dir)) {
            if (e->d_name[0] == '.') continue;
            if (!RunFile(std::string(argv[i]) + "/" + e->d_name)) return 1;
            files++;
        }
        closedir(dir);
    }
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("%d inputs replayed\n", files);
    return files > 0 ? 0 : 1;
}
