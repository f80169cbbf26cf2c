// Authenticode signatures with osslsigncode, and the --sign certificate's checks.
#include "author.h"

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <sstream>

// Runs argv with `input` on its standard input and its output and errors in *output.
// Returns its exit code; 127 when the program is not there, -1 when it did not run.
int RunPiped(const std::vector<std::string> &argv, const std::string &input, std::string *output)
{
    std::vector<char *> args;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    int in[2], out[2];
    if (pipe(in) != 0) return -1;
    if (pipe(out) != 0) {
        close(in[0]), close(in[1]);
        return -1;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0), dup2(out[1], 1), dup2(out[1], 2);
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]), close(out[1]);
    // a program that ends before it reads must not end this one (SIGPIPE) with it
    signal(SIGPIPE, SIG_IGN);
    // the password is short and goes first: no child waits on a full pipe while we write
    if (pid > 0 && !input.empty() && write(in[1], input.data(), input.size()) < 0) {}
    close(in[1]);
    output->clear();
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) output->append(buf, (size_t)n);
    close(out[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What follows key on the first line that starts with it (after blanks), without the
// blanks and colon around it: "Subject: /CN=x" gives "/CN=x"; "" when no line does.
std::string LineAfter(const std::string &text, const std::string &key)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, key.size(), key) != 0) continue;
        std::string value = line.substr(at + key.size());
        size_t from = value.find_first_not_of(" \t:"), to = value.find_last_not_of(" \t\r");
        return from == std::string::npos ? "" : value.substr(from, to - from + 1);
    }
    return "";
}

// The signing password: from the environment only, so that no process list shows it.
std::string SignPassword()
{
    const char *p = std::getenv("AUTHOR_SIGN_PASS");
    return p ? p : "";
}

// The certificate of --sign: it opens with the password, holds a certificate, and that
// certificate has not expired. Each fault is a problem, so that nothing is signed or written.
// Returns its subject and last day, as the checks print them.
std::string CheckSigner(const fs::path &pfx)
{
    std::string where = pfx.string(), out;
    if (!fs::is_regular_file(pfx)) {
        Problem(where, "cannot be read (--sign: the publisher's certificate and key, a PKCS#12 .pfx file)");
        return "";
    }
    if (RunPiped({"osslsigncode", "--version"}, "", &out) == 127)
        Problem("--sign", "needs osslsigncode, which is not installed (Debian's package osslsigncode; ./run deps installs it)");
    std::vector<std::string> read = {"openssl", "pkcs12", "-in", where, "-nokeys", "-clcerts", "-passin", "stdin"};
    int rc = RunPiped(read, SignPassword() + "\n", &out);
    if (rc != 0 && out.find("unsupported") != std::string::npos) {
        read.push_back("-legacy");  // RC2 and 3DES, as older Windows tools export
        rc = RunPiped(read, SignPassword() + "\n", &out);
    }
    if (rc == 127) {
        Problem("--sign", "needs openssl, which is not installed (./run deps installs it)");
        return "";
    }
    if (rc != 0 && (out.find("invalid password") != std::string::npos || out.find("mac verify") != std::string::npos)) {
        Problem(where, std::getenv("AUTHOR_SIGN_PASS")
                           ? "does not open with the password in AUTHOR_SIGN_PASS (a wrong password?)"
                           : "needs a password: put it into the environment variable AUTHOR_SIGN_PASS");
        return "";
    }
    size_t begin = out.find("-----BEGIN CERTIFICATE-----");
    if (rc != 0 || begin == std::string::npos) {
        std::string first = out.substr(0, out.find('\n'));
        Problem(where, "is not a PKCS#12 file with a certificate that openssl can read" + (first.empty() ? "" : " (" + first + ")"));
        return "";
    }
    std::string pem = out.substr(begin), info;
    rc = RunPiped({"openssl", "x509", "-noout", "-subject", "-enddate", "-checkend", "0", "-nameopt", "oneline,-esc_msb"}, pem, &info);
    std::string subject = LineAfter(info, "subject="), until = LineAfter(info, "notAfter=");
    if (rc != 0)
        Problem(where, "its certificate (" + subject + ") expired on " + until +
                           "; Windows calls a signature made with it invalid. Renew it with your certificate authority");
    return subject + ", valid until " + until;
}

// What a file's signature is: none, one that verifies, or one that does not (and why).
std::string SignatureState(const fs::path &file)
{
    std::string out;
    int rc = RunPiped({"osslsigncode", "verify", "-in", file.string()}, "", &out);
    if (rc == 127) return "cannot be told (osslsigncode is not installed)";
    if (out.find("No signature found") != std::string::npos) return "not signed";
    std::string subject = LineAfter(out, "Subject:");
    if (subject.empty()) subject = "an unknown signer";
    if (rc == 0) return "signed by " + subject + "; the signature verifies";
    std::string why = LineAfter(out, "Error:");
    if (out.find("Calculated message digest") != std::string::npos &&
        LineAfter(out, "Current message digest") != LineAfter(out, "Calculated message digest"))
        why = "the file was changed after it was signed";
    return "signed by " + subject + "; the signature does not verify" + (why.empty() ? "" : " (" + why + ")");
}

// Signs in into out with --sign's certificate; "" when done, else osslsigncode's words.
std::string SignFile(const Options &o, const fs::path &in, const fs::path &out, const std::string &description)
{
    std::string password = SignPassword(), log;
    // the password goes through a pipe; an empty one cannot, and is no secret
    std::vector<std::string> args = {"osslsigncode", "sign", "-pkcs12", o.sign.string(), "-h", "sha256"};
    if (password.empty()) args.insert(args.end(), {"-pass", ""});
    else args.insert(args.end(), {"-readpass", "/dev/stdin"});
    // osslsigncode stores the description byte for byte, which Windows reads as ASCII
    bool ascii = !description.empty();
    for (unsigned char c : description) ascii = ascii && c >= 0x20 && c < 0x7F;
    if (ascii) args.insert(args.end(), {"-n", description});
    if (!o.timestamp.empty()) args.insert(args.end(), {"-ts", o.timestamp});
    args.insert(args.end(), {"-in", in.string(), "-out", out.string()});
    int rc = RunPiped(args, password, &log);
    if (rc == 0 && fs::is_regular_file(out)) return "";
    std::error_code ec;
    fs::remove(out, ec);
    while (!log.empty() && (log.back() == '\n' || log.back() == ' ')) log.pop_back();
    log.erase(0, log.find_first_not_of(" \n"));
    return log.empty() ? "osslsigncode exited with " + std::to_string(rc) : log;
}
