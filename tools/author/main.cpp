// author: makes a game disc for Setup.exe from a game folder and a product folder.
//
//   author --game DIR --product DIR --out IMAGE.iso [options]
//
// It checks the game folder and the product's strings against every limit the launcher has,
// reports each problem with the file it concerns and the limit it breaks, and then writes
// nothing. --check runs the same checks and stops there. When everything fits it writes
// Setup.ini, builds Setup.exe for the product (or takes --setup), assembles the disc with
// autorun.inf and writes an ISO 9660 + Joliet image, with Setup.crc, the size and CRC-32 of
// every file the script copies. With --media, a game larger than one disc is split onto
// several, each with its Setup.crc and Setup.dsk. --sign signs Setup.exe (and the game
// executable when the product asks for it) with osslsigncode before they go onto the disc.
// Names on Linux are UTF-8; on the disc and to the launcher they are code page 932.
#include "author.h"
#include "core/cp932.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static void Usage();

int main(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "author: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--game") o.game = value();
        else if (a == "--product") o.product = value();
        else if (a == "--out") o.out = value();
        else if (a == "--setup") o.setup = value();
        else if (a == "--disc") o.disc = value();
        else if (a == "--build-dir") o.buildDir = value();
        else if (a == "--long-root") o.longRoot = value();
        else if (a == "--margin") o.margin = atoi(value().c_str());
        else if (a == "--volume") o.volume = value();
        else if (a == "--media") o.media = value();
        else if (a == "--sign") o.sign = value();
        else if (a == "--timestamp") o.timestamp = value();
        else if (a == "--check") o.checkOnly = true;
        else if (a == "--verbose") o.verbose = true;
        else if (a == "--keep-system-files") o.keepSystemFiles = true;
        else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "author: unknown option %s\n", a.c_str());
            Usage();
            return 2;
        }
    }
    if (o.game.empty() || o.product.empty() || (o.out.empty() && o.disc.empty() && !o.checkOnly)) {
        Usage();
        return 2;
    }
    o.gameShown = o.game.string();
    while (o.gameShown.size() > 1 && o.gameShown.back() == '/') o.gameShown.pop_back();
    if (!fs::is_directory(o.game)) Problem(o.game.string(), "is not a folder (--game: the files to install)");
    if (!fs::is_directory(o.product)) Problem(o.product.string(), "is not a folder (--product: product.rc and art/)");
    if (!o.setup.empty() && !fs::is_regular_file(o.setup)) Problem(o.setup.string(), "is not a file (--setup: a Setup.exe built for the product)");
    if (!o.timestamp.empty() && o.sign.empty()) Problem("--timestamp " + o.timestamp, "time-stamps signatures, and --sign makes none");
    Medium medium = {"", 0};
    if (!o.media.empty() && !ParseMedium(o.media, &medium))
        Problem("--media " + o.media, "names no medium: cd650, cd700, dvd or the bytes one disc holds");
    if (HaveProblems()) {
        Report(o.verbose);
        return 1;
    }
    o.game = fs::absolute(o.game).lexically_normal();
    o.product = fs::absolute(o.product).lexically_normal();
    if (o.game.filename().empty()) o.game = o.game.parent_path();
    if (o.product.filename().empty()) o.product = o.product.parent_path();

    // ---- where the output goes: the same checks with --check as without ----------------
    auto within = [](const fs::path &inner, const fs::path &outer) {
        auto r = inner.lexically_relative(outer);
        return !r.empty() && *r.begin() != "..";
    };
    if (!o.out.empty()) {
        fs::path out = fs::absolute(o.out).lexically_normal();
        if (within(out, o.game))
            Problem(o.out.string(), "lies in the --game folder, so the next disc would hold this one");
        else if (fs::is_directory(out))
            Problem(o.out.string(), "is a folder; --out names the image file to write");
    }
    if (!o.disc.empty()) {
        // the disc folder is replaced: it must not hold, or lie in, anything of the publisher's
        fs::path discOut = fs::absolute(o.disc).lexically_normal();
        if (discOut.filename().empty()) discOut = discOut.parent_path();
        for (const fs::path &mine : {o.game, o.product, fs::path(LAUNCHER_TOP)}) {
            bool inBuild = mine == fs::path(LAUNCHER_TOP) && within(discOut, mine / "build");
            if ((within(discOut, mine) && !inBuild) || within(mine, discOut) || discOut == mine)
                Problem(o.disc.string(), "is replaced by the disc; it must neither hold nor lie in " + mine.string() +
                                             (mine == fs::path(LAUNCHER_TOP) ? " (but for its build folder)" : ""));
        }
    }

    // ---- the product's strings ----------------------------------------------------------
    std::map<int, std::string> s, s932, english;
    bool signGame = false;
    CheckStrings(o.product / "product.rc", &s, &s932, &english, &signGame);
    std::string signer;
    if (!o.sign.empty()) signer = CheckSigner(o.sign);
    else if (signGame)
        Warning("product.rc asks for the game executable to be signed (PRODUCT_SIGN_GAME); without --sign nothing is signed");
    CheckArt(o.product / "art");
    std::string maker = s932[2], exe = s932[3], root = s932[4], brand = s932[5], title = s932[6], readme = s932[7];
    int requiredMB = s.count(8) ? atoi(s[8].c_str()) : 0;
    if (s.count(3) && (s[3].size() < 5 || Upper(s[3].substr(s[3].size() - 4)) != ".EXE"))
        Problem("product.rc: string 3 (game executable)", "\"" + s[3] + "\" does not end in .exe");
    if (s.count(4) && !(s[4].size() >= 3 && isalpha((unsigned char)s[4][0]) && s[4][1] == ':' && s[4][2] == '\\'))
        Problem("product.rc: string 4 (default install root)", "\"" + s[4] + "\" does not start with a drive, as C:\\ does");
    if (s.count(8) && (requiredMB <= 0 || s[8].find_first_not_of("0123456789") != std::string::npos))
        Problem("product.rc: string 8 (required megabytes)", "\"" + s[8] + "\" is not a positive whole number");
    if (s.count(6) && s[6].find('.') != std::string::npos)
        Note(NOTE_PRODUCT, "product.rc: string 6 (game title)", "holds a dot: the shortcut name loses what follows it (.lnk replaces it)");
    CheckEnglishTable(english);

    // ---- the game folder ----------------------------------------------------------------
    std::vector<Entry> entries;
    Walk(o, o.game, "", "", &entries);
    static const char *kDiscOwned[] = {"SETUP.EXE", "SETUP.INI", "SETUP.DAT", "SETUP.CRC", "SETUP.DSK", "AUTORUN.INF"};
    bool haveExe = false, haveReadme = false;
    uintmax_t payload = 0, onDisk = 0;
    int files = 0, folders = 0;
    for (auto &e : entries) {
        std::string where = o.gameShown + "/" + e.rel;
        bool top = e.rel.find('/') == std::string::npos;
        if (top)
            for (const char *owned : kDiscOwned)
                if (Upper(e.rel932) == owned)
                    Problem(where, "is a name the disc keeps for itself (Setup.exe, Setup.ini, Setup.dat, Setup.crc, Setup.dsk, autorun.inf)");
        if (top && !e.dir && !exe.empty() && Upper(e.rel932) == Upper(exe)) haveExe = true;
        if (top && !e.dir && !readme.empty() && Upper(e.rel932) == Upper(readme)) haveReadme = true;
        if (e.dir) folders++;
        else {
            files++;
            payload += e.size;
            onDisk += (e.size + kCluster - 1) / kCluster * kCluster;
        }
        // the script line that names it, and its paths in the install folder
        std::string line = (e.dir ? "D " : "F ") + e.rel932;
        CheckLength(where, line, "its line in Setup.ini and the uninstall log");
        if (e.dir) CheckLength(where, "F " + e.rel932 + "\\*.*", "the line that copies its files");
        CheckLength(where, "D:\\" + e.rel932 + (e.dir ? "\\*.*" : ""), "its path on the disc");
        for (int pass = 0; pass < 2; pass++) {
            std::string r = pass == 0 ? root : std::string();
            std::string label = pass == 0 ? "the default root" : "the long root";
            if (pass == 1) To932(o.longRoot, &r);
            std::string install = r + "\\" + brand + "\\" + title;
            CheckLength(where, install + "\\" + e.rel932, "its installed path under " + label);
        }
        // the launcher's own prefix rule must cut a pattern where this tool does
        if (!e.dir && !top) {
            std::string path = e.rel932;
            int cut = LastBackslash(path.c_str(), (int)path.size());
            size_t slash = e.rel.rfind('/');
            std::string dir932;
            if (To932(e.rel.substr(0, slash), &dir932) && cut != (int)dir932.size())
                Problem(where, "the launcher would take \"" + path.substr(0, cut + 1) + "\" for its folder");
        }
    }
    if (!exe.empty() && !haveExe)
        Problem(o.gameShown + "/" + s[3], "is missing: the --game folder holds the game executable (string 3) at its root, "
                                          "where the install looks for it on the disc");
    if (!readme.empty() && !haveReadme)
        Problem(o.gameShown + "/" + s[7], "is missing: the --game folder holds the readme (string 7) at its root; "
                                          "the install opens it and makes its shortcut");

    // the folders the launcher composes from the strings alone
    for (int pass = 0; pass < 2; pass++) {
        std::string r = root;
        std::string label = pass == 0 ? "the default root" : "the long root";
        if (pass == 1) To932(o.longRoot, &r);
        CheckLength("product.rc", r + "\\" + brand + "\\" + title + "\\Setup.exe", "the staged installer under " + label);
    }
    std::string stem = exe.substr(0, exe.rfind('.'));
    CheckLength("product.rc", std::string(kCommon) + "\\" + maker + "\\" + stem + ".ini", "the settings file");
    CheckLength("product.rc", std::string(kDocuments) + "\\" + maker + "\\" + brand + "\\" + title + "\\save", "the save folder (Windows 2000/XP documents)");
    std::string menu = std::string(kPrograms) + "\\" + brand + "\\" + title;
    std::string uninstallLink;
    To932("アンインストール.lnk", &uninstallLink);
    CheckLength("product.rc", menu + "\\" + uninstallLink, "the uninstall shortcut (Windows 2000/XP Start menu)");
    CheckLength("product.rc", menu + "\\" + title + ".lnk", "the game shortcut (Windows 2000/XP Start menu)");

    // ---- the required space -------------------------------------------------------------
    uintmax_t setupSize = !o.setup.empty() && fs::is_regular_file(o.setup) ? fs::file_size(o.setup) : 1500000;
    onDisk += (setupSize + kCluster - 1) / kCluster * kCluster;
    const uintmax_t mb = 1048576;
    uintmax_t bare = (onDisk + mb - 1) / mb;
    uintmax_t withMargin = (onDisk * (100 + o.margin) / 100 + mb - 1) / mb;
    if (s.count(8) && requiredMB > 0 && (uintmax_t)requiredMB < bare)
        Problem("product.rc: string 8 (required megabytes)", "is " + std::to_string(requiredMB) + "; the payload alone takes " +
                std::to_string(bare) + " MB (" + std::to_string(withMargin) + " with the " + std::to_string(o.margin) + "% margin)");
    else if (s.count(8) && requiredMB > 0 && (uintmax_t)requiredMB < withMargin)
        Note(NOTE_PRODUCT, "product.rc: string 8 (required megabytes)", "is " + std::to_string(requiredMB) + ", below the " +
             std::to_string(withMargin) + " MB that the " + std::to_string(o.margin) + "% margin asks");

    // ---- the discs and Setup.ini --------------------------------------------------------
    // One medium as long as the game fits on it, in today's order; else the readme and the
    // game executable go right after Setup.exe, onto disc 1, and the rest fills the discs.
    std::vector<Placed> order;
    int discs = 1;
    uintmax_t sectors = 0;
    std::vector<uintmax_t> discSectors;
    auto plan = [&](uintmax_t setupBytes) {
        order = CopyOrder(entries, {});
        discs = 1;
        sectors = ImageSectors(entries, setupBytes, SetupScript(entries, order).size());
        discSectors = {0, sectors};
        if (!o.media.empty() && sectors > medium.sectors) {
            std::vector<Placed> split = CopyOrder(entries, {readme, exe});
            discs = SplitOntoDiscs(o, medium, setupBytes, SetupScript(entries, split).size(), &split);
            if (discs > 1) order = split, discSectors = DiscsSectors(order, discs, setupBytes, SetupScript(entries, order).size());
        }
    };
    plan(setupSize);
    if (o.media.empty() && MediumExceeded(sectors) >= 0) Warning(MediumWarning(sectors, "about "));
    std::string script = SetupScript(entries, order);
    CheckScript(script, entries);

    if (!Report(o.verbose)) return 1;
    std::printf("game: %d files and %d folders, %ju bytes (%ju on disk in %ju KiB clusters, Setup.exe included)\n",
                files, folders, payload, onDisk, kCluster / 1024);
    std::printf("required: %ju MB with a %d%% margin; the product asks %d MB\n", withMargin, o.margin, requiredMB);
    if (!o.media.empty()) std::printf("discs: %d of %s\n", discs, medium.name);
    for (int d = 1; d <= discs; d++) {
        int onDisc = 0;
        for (auto &p : order) onDisc += p.disc == d;
        if (discs == 1) std::printf("image: about %.1f MB (%s sectors)\n", sectors * (double)kSector / mb, Grouped(sectors).c_str());
        else std::printf("image %d: about %.1f MB (%s sectors), %d files\n", d, discSectors[d] * (double)kSector / mb,
                         Grouped(discSectors[d]).c_str(), onDisc);
    }
    if (o.checkOnly) {
        // shown as UTF-8; the file itself is code page 932
        std::string shown = ShownAsUtf8(script);
        std::fwrite(shown.data(), 1, shown.size(), stdout);
        if (discs == 1) std::printf("Setup.crc: the size and CRC-32 of %d files, read when the image is written\n", files + 1);
        else std::printf("Setup.crc and Setup.dsk: on each disc, the size and CRC-32 of its files and the disc's number\n");
        std::printf("signature: Setup.exe: %s\n",
                    !o.sign.empty() ? ("signed at authoring by " + signer).c_str()
                    : !o.setup.empty() ? SignatureState(o.setup).c_str()
                                       : "built at authoring, not signed (--sign signs it)");
        if (!s[3].empty())
            std::printf("signature: %s: %s\n", s[3].c_str(),
                        !o.sign.empty() && signGame ? ("signed at authoring by " + signer).c_str()
                                                    : SignatureState(o.game / s[3]).c_str());
        std::printf("check only: nothing written\n");
        return 0;
    }

    // ---- Setup.exe ------------------------------------------------------------------------
    fs::path setup = o.setup;
    if (setup.empty()) {
        fs::path top = LAUNCHER_TOP;
        fs::path build = o.buildDir.empty() ? top / "build" / "author" / "setup" / o.product.filename() : o.buildDir;
        fs::create_directories(build);
        fs::path log = build / "build.log";
        std::printf("building Setup.exe for %s in %s\n", o.product.c_str(), build.c_str());
        int rc1 = Run({"cmake", "-S", top.string(), "-B", build.string(),
                       "-DCMAKE_TOOLCHAIN_FILE=" + (top / "cmake" / "mingw-win32.cmake").string(),
                       "-DPRODUCT_FOLDER=" + o.product.string(), "-DCMAKE_BUILD_TYPE=MinSizeRel",
                       "-DDISC_DIR=" + (build / "disc").string()}, log);
        int rc2 = rc1 == 0 ? Run({"cmake", "--build", build.string(), "--target", "Setup", "-j2"}, log) : -1;
        setup = build / "Setup.exe";
        if (rc2 != 0 || !fs::exists(setup)) {
            std::fprintf(stderr, "author: Setup.exe did not build for %s; see %s\n", o.product.c_str(), log.c_str());
            return 1;
        }
        // the discs were laid out for an estimate of its size: the file itself decides them
        if (fs::file_size(setup) != setupSize) {
            int estimated = discs;
            uintmax_t estimatedSectors = sectors;
            plan(fs::file_size(setup));
            if (o.media.empty() && MediumExceeded(sectors) > MediumExceeded(estimatedSectors))
                Warning(MediumWarning(sectors, "about "));
            script = SetupScript(entries, order);
            CheckScript(script, entries);
            if (!Report(o.verbose)) return 1;
            if (discs != estimated) std::printf("discs: %d, for Setup.exe as built (%ju bytes)\n", discs, (uintmax_t)fs::file_size(setup));
        }
    }

    // ---- the disc folders and the images -------------------------------------------------
    Programs programs = {setup, s[3], exe, signGame, signer, s[1], s[6]};
    return WriteDiscs(o, entries, order, discs, programs, script, title, maker + " " + stem + " " + title, medium, sectors);
}

// The options, for -h and for a command line that is not one.
static void Usage()
{
    std::fprintf(stderr,
        "usage: author --game DIR --product DIR --out IMAGE.iso [options]\n"
        "       author --game DIR --product DIR --disc DIR [options]\n"
        "       author --game DIR --product DIR --check [--out IMAGE.iso] [options]\n"
        "  --game DIR       the --game folder: the files to install, the game executable (string 3)\n"
        "                   and readme (string 7) at its root, folders below; texts in code page 932\n"
        "  --product DIR    the product folder: product.rc and art/ (and game/*.cpp when the build\n"
        "                   is to make a game executable; not needed here)\n"
        "  --out FILE       the disc image to write (ISO 9660 + Joliet)\n"
        "  --setup FILE     take this Setup.exe instead of building one for the product\n"
        "  --disc DIR       also leave the assembled disc folder there (replaced; several discs go into\n"
        "                   DIR/Disc1, DIR/Disc2, ...); without --out, write only the folder\n"
        "  --media M        what one disc holds: cd650, cd700, dvd or a size in bytes; a game that\n"
        "                   does not fit is split onto NAME-1.iso, NAME-2.iso, ... for --out NAME.iso\n"
        "  --build-dir DIR  where Setup.exe is built (default build/author/setup/<product>)\n"
        "  --long-root PATH the long install root every path must also fit under\n"
        "                   (default %s)\n"
        "  --margin PCT     margin on the payload for the required megabytes (default 10)\n"
        "  --volume LABEL   the volume label (default: the game executable's name)\n"
        "  --keep-system-files  also put .DS_Store, Thumbs.db, desktop.ini, ._* and __MACOSX on the disc\n"
        "  --verbose        every note on its own line, not one line with a count for each kind\n"
        "  --sign FILE.pfx  sign Setup.exe, and the game executable when product.rc asks for it\n"
        "                   (#define PRODUCT_SIGN_GAME 1), with this certificate and key (osslsigncode);\n"
        "                   the password comes from the environment variable AUTHOR_SIGN_PASS\n"
        "  --timestamp URL  have the signatures time-stamped by this RFC 3161 server\n"
        "  --check          every check of a real run (the --out and --disc paths too, when given);\n"
        "                   print the Setup.ini it would write and say which files are signed; write nothing\n",
        kLongRoot);
}
