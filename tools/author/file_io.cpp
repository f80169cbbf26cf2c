// Whole files, child programs and scratch folders.
#include "author.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string ReadAll(const fs::path &p, bool *ok)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    *ok = (bool)in;
    return ss.str();
}

bool WriteAll(const fs::path &p, const std::string &bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
    return (bool)out;
}

int Run(const std::vector<std::string> &argv, const fs::path &log)
{
    std::vector<char *> args;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (!log.empty()) {
            int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) dup2(fd, 1), dup2(fd, 2);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh folder of our own next to path.
fs::path MakeScratch(const fs::path &path, const char *kind)
{
    std::string name = path.string() + kind + "-XXXXXX";
    if (!mkdtemp(&name[0])) return fs::path();
    return name;
}
