// The disc folders and their images: Setup.exe and the game signed first where asked, each
// disc's files, Setup.ini and autorun.inf on disc 1, Setup.crc on every disc and Setup.dsk on
// every disc of several, then the images, which take their names only when all are written.
#include "author.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

// Writes the discs of the order; 0 when all are written, else 1 with nothing left but the
// --disc folders.
int WriteDiscs(const Options &o, const std::vector<Entry> &entries, const std::vector<Placed> &order, int discs,
               const Programs &programs, const std::string &script, const std::string &title932,
               const std::string &key932, const Medium &medium, uintmax_t sectors)
{
    fs::path setup = programs.setup;
    fs::path out = o.out.empty() ? fs::path() : fs::absolute(o.out).lexically_normal();
    fs::path discRoot = o.disc.empty() ? fs::path() : fs::absolute(o.disc).lexically_normal();
    if (!discRoot.empty() && discRoot.filename().empty()) discRoot = discRoot.parent_path();
    fs::path near = out.empty() ? discRoot : out;  // scratch folders go next to it
    std::error_code ec;
    fs::create_directories(near.parent_path(), ec);

    // Signed first, in a folder of its own: a signature that fails leaves no disc and no image.
    fs::path signing, gameSigned;
    const Entry *gameEntry = nullptr;
    for (auto &e : entries)
        if (!e.dir && e.rel.find('/') == std::string::npos && Upper(e.rel932) == Upper(programs.game932)) gameEntry = &e;
    if (!o.sign.empty()) {
        signing = MakeScratch(near, ".sign");
        if (signing.empty()) {
            std::fprintf(stderr, "author: cannot make a folder next to %s: %s\n", near.c_str(), strerror(errno));
            return 1;
        }
        std::string why = SignFile(o, setup, signing / "Setup.exe", programs.setupDescription);
        if (why.empty() && programs.signGame && gameEntry) {
            gameSigned = signing / gameEntry->rel;
            why = SignFile(o, gameEntry->path, gameSigned, programs.gameDescription);
            if (!why.empty()) why = "cannot sign " + gameEntry->path.string() + ": " + why;
        } else if (!why.empty()) {
            why = "cannot sign " + setup.string() + ": " + why;
        }
        if (!why.empty()) {
            fs::remove_all(signing, ec);
            std::fprintf(stderr, "author: %s\nauthor: nothing written\n", why.c_str());
            return 1;
        }
        setup = signing / "Setup.exe";
        std::printf("signed: Setup.exe%s by %s%s\n", gameSigned.empty() ? "" : (" and " + programs.game).c_str(),
                    programs.signer.c_str(), o.timestamp.empty() ? "" : (", time-stamped by " + o.timestamp).c_str());
    }
    // one disc: the --disc folder itself; several: Disc1, Disc2, ... in it, as a copy is laid out
    std::vector<fs::path> folder(discs + 1), image(discs + 1), part(discs + 1);
    auto giveUp = [&](const std::string &why) {
        std::fprintf(stderr, "author: %s\n", why.c_str());
        std::error_code ignored;
        for (int d = 1; d <= discs; d++) {
            if (o.disc.empty() && !folder[d].empty()) fs::remove_all(folder[d], ignored);
            if (!part[d].empty()) fs::remove(part[d], ignored);
        }
        if (!signing.empty()) fs::remove_all(signing, ignored);
        return 1;
    };
    if (!discRoot.empty() && discs > 1) fs::remove_all(discRoot, ec);
    for (int d = 1; d <= discs; d++) {
        std::string number = discs == 1 ? "" : std::to_string(d);
        folder[d] = discRoot.empty() ? MakeScratch(near) : discs == 1 ? discRoot : discRoot / ("Disc" + number);
        if (folder[d].empty()) return giveUp("cannot make a folder next to " + near.string() + ": " + strerror(errno));
        if (!out.empty())
            image[d] = discs == 1 ? out : out.parent_path() / (out.stem().string() + "-" + number + out.extension().string());
    }
    // the folders that hold no file at all go onto disc 1, as every folder does on one disc
    std::map<std::string, bool> holdsFiles;
    for (auto &e : entries)
        for (size_t slash = e.dir ? std::string::npos : e.rel.find('/'); slash != std::string::npos; slash = e.rel.find('/', slash + 1))
            holdsFiles[e.rel.substr(0, slash)] = true;
    uintmax_t totalBytes = 0;
    for (int d = 1; d <= discs; d++) {
        fs::path disc = folder[d];
        fs::remove_all(disc, ec);
        fs::create_directories(disc, ec);
        for (auto &e : entries)
            if (e.dir && d == 1 && !holdsFiles.count(e.rel)) fs::create_directories(disc / e.rel, ec);
        std::vector<std::string> names932, namesUtf8;
        for (auto &p : order) {
            if (p.disc != d) continue;
            if (!p.file) {
                fs::copy_file(setup, disc / "Setup.exe", fs::copy_options::overwrite_existing, ec);
                if (ec) return giveUp("cannot write into " + disc.string());
                names932.push_back("Setup.exe"), namesUtf8.push_back("Setup.exe");
                totalBytes += fs::file_size(disc / "Setup.exe");
                continue;
            }
            const Entry &e = *p.file;
            fs::path to = disc / e.rel;
            fs::create_directories(to.parent_path(), ec);
            // A link costs nothing where the game folder is on the same file system; only in our
            // own scratch folder, since a change in a --disc folder must not reach the game's files.
            if (&e == gameEntry && !gameSigned.empty())
                fs::copy_file(gameSigned, to, fs::copy_options::overwrite_existing, ec);
            else if (!o.disc.empty() || (fs::create_hard_link(e.path, to, ec), ec))
                ec.clear(), fs::copy_file(e.path, to, fs::copy_options::overwrite_existing, ec);
            if (ec) return giveUp("cannot put " + e.path.string() + " into " + disc.string() + ": " + ec.message());
            names932.push_back(e.rel932), namesUtf8.push_back(e.rel);
            totalBytes += fs::file_size(to);
        }
        std::string autorun = "[autorun]\r\nopen=Setup.exe\r\nicon=Setup.exe,0\r\nlabel=" + title932 + "\r\n";
        if (d == 1 && (!WriteAll(disc / "Setup.ini", script) || !WriteAll(disc / "autorun.inf", autorun)))
            return giveUp("cannot write into " + disc.string());
        // Setup.crc, in the order the script copies, read back with the launcher's own reader
        std::string why, list = ChecksumList(disc, names932, namesUtf8, &why);
        if (list.empty()) return giveUp(why);
        if (!WriteAll(disc / "Setup.crc", list)) return giveUp("cannot write into " + disc.string());
    }
    for (int d = 1; d <= discs && discs > 1; d++)
        if (!WriteAll(folder[d] / "Setup.dsk", DiscIdentity(d, discs, totalBytes, key932)))
            return giveUp("cannot write into " + folder[d].string());

    std::string volume = o.volume;
    if (volume.empty())
        for (char c : programs.game.substr(0, programs.game.rfind('.')))
            if (isalnum((unsigned char)c) || c == '_') volume += (char)toupper((unsigned char)c);
    if (volume.empty()) volume = "GAME";
    std::vector<std::string> label(discs + 1);
    for (int d = 1; d <= discs && !out.empty(); d++) {
        std::string suffix = discs == 1 ? "" : "_" + std::to_string(d);
        label[d] = volume.substr(0, 32 - suffix.size()) + suffix;
        part[d] = image[d].string() + ".part";
        fs::remove(part[d], ec);
        int made = Run({"xorriso", "-as", "mkisofs", "-quiet", "-input-charset", "UTF-8", "-J", "-r",
                      "-iso-level", "3", "-V", label[d], "-o", part[d].string(), folder[d].string()}, part[d].string() + ".log");
        bool ok = false;
        std::string xlog = ReadAll(part[d].string() + ".log", &ok);
        fs::remove(part[d].string() + ".log", ec);
        if (made != 0 || !fs::exists(part[d]))
            return giveUp(xlog + "xorriso could not write the image (exit " + std::to_string(made) + ")");
    }
    // every image is written before any takes its name: a failure leaves none
    for (int d = 1; d <= discs && !out.empty(); d++) {
        fs::rename(part[d], image[d], ec);
        if (ec) return giveUp("cannot name the image " + image[d].string() + ": " + ec.message());
        part[d].clear();
    }
    for (int d = 1; d <= discs; d++)
        if (o.disc.empty()) fs::remove_all(folder[d], ec);
        else std::printf("disc folder: %s\n", folder[d].c_str());
    if (!signing.empty()) fs::remove_all(signing, ec);
    for (int d = 1; d <= discs && !out.empty(); d++) {
        uintmax_t bytes = fs::file_size(image[d]);
        if (o.media.empty() && MediumExceeded(bytes / kSector) > MediumExceeded(sectors))
            std::fprintf(stderr, "author: warning: %s\n", MediumWarning(bytes / kSector, "").c_str());
        else if (!o.media.empty() && bytes / kSector > medium.sectors)
            std::fprintf(stderr, "author: warning: %s takes %s sectors, more than %s holds\n", image[d].c_str(),
                         Grouped(bytes / kSector).c_str(), medium.name);
        std::printf("image: %s (%ju bytes, volume %s)\n", image[d].c_str(), bytes, label[d].c_str());
    }
    return 0;
}
