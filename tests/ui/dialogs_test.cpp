// The install root as the options dialog takes it, and the preparation behind INSTALL.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <tuple>

#include "../../resources/resource.h"
#include "core/command_line.h"
#include "core/layout.h"
#include "core/state.h"
#include "harness.h"
#include "install/install_prep.h"
#include "platform/platform.h"
#include "platform/settings.h"
#include "platform/startup.h"
#include "platform/system_calls.h"
#include "ui/dialogs.h"
#include "uninstall/handoff.h"
#include <shlobj.h>

namespace {

using harness::Box;

struct Root : ::testing::Test {
    void SetUp() override {
        g_state.instance = GetModuleHandleA(nullptr);
        LoadProductStrings();
    }
};

TEST_F(Root, ValidRoots) {
    EXPECT_EQ(IsValidRoot("C:\\"), 1);
    EXPECT_EQ(IsValidRoot("C:\\Games\\New"), 1);  // only the drive has to exist
    EXPECT_EQ(IsValidRoot("C:\\\x95\x5C"), 1);    // C:\表
    for (const char* bad : {"", "D:\\", "D:\\Games", "\\\\server\\share", "Q:\\Games", "Games"})
        EXPECT_EQ(IsValidRoot(bad), 0) << bad;
    // {root}\{brand}\{title}\AoHoshi.exe must fit 259 bytes: 42 of them are not the root's
    std::string root = "C:\\" + std::string(214, 'a');
    EXPECT_EQ(IsValidRoot(root.c_str()), 1);
    EXPECT_EQ(IsValidRoot((root + "a").c_str()), 0);
    EXPECT_EQ(IsValidRoot((root + "\\").c_str()), 1);  // measured without its last backslash
}

TEST_F(Root, OneTrailingBackslashGoes) {
    char out[PATH_SIZE];
    struct { const char *in, *out; } table[] = {
        {"C:\\", "C:"},
        {"C:\\Games\\", "C:\\Games"},
        {"C:\\Games\\\\", "C:\\Games\\"},
        {"C:\\\x95\x5C", "C:\\\x95\x5C"},          // 表 keeps its trail byte
        {"C:\\\x95\x5C\\", "C:\\\x95\x5C"},
        {"C:\\\x83\x5C\x83\x5C", "C:\\\x83\x5C\x83\x5C"},  // ソソ
    };
    for (const auto& row : table) {
        StripOneBackslash(out, row.in);
        EXPECT_STREQ(out, row.out) << row.in;
    }
}

struct Prepare : Root {
    std::string work, source, common, root, install;
    HANDLE guard = nullptr;
    void SetUp() override {
        Root::SetUp();
        work = harness::MakeTempDir("prep");
        source = work + "\\disc";
        common = work + "\\common";
        root = work + "\\新年表\\アソ\\予表";  // no level exists; each ends in a 5C trail byte
        install = root + "\\" + g_state.brand + "\\" + g_state.title;
        harness::WriteFile(source + "\\Setup.exe", "not a program");
        SetFileAttributesA((source + "\\Setup.exe").c_str(), FILE_ATTRIBUTE_READONLY);
        lstrcpyA(g_state.sourceFolder, source.c_str());
        lstrcpyA(g_state.commonFolder, common.c_str());
        g_state.mainWindow = nullptr;
        guard = CreateSemaphoreA(nullptr, 0, 1, nullptr);
        g_state.semaphore = guard;
    }
    void TearDown() override {
        if (g_state.semaphore) CloseHandle(g_state.semaphore);
        g_state.semaphore = nullptr;
        harness::RemoveTree(work);
    }
    // Runs the preparation with the dialog answered with `root`; boxes answered by `answer`.
    int Run(harness::BoxCatcher& boxes) {
        boxes.onDialog = [&](HWND dialog) {
            if (harness::WindowText(dialog) != "インストール方法の設定") return false;
            SetDlgItemTextA(dialog, IDC_ROOT_EDIT, root.c_str());
            CheckDlgButton(dialog, IDC_README_CHECK, BST_UNCHECKED);
            harness::Click(dialog, IDOK);
            return true;
        };
        return PrepareInstall();
    }
    std::string Settings(const char* key) {
        char value[PATH_SIZE];
        std::string ini = common + "\\" + g_state.maker + "\\AoHoshi.ini";
        GetPrivateProfileStringA("INSTALL", key, "*", value, sizeof value, ini.c_str());
        return value;
    }
};

TEST_F(Prepare, TooLittleSpaceStopsBeforeTheFolder) {
    g_state.requiredMB = INT_MAX;
    harness::BoxCatcher boxes;
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "インストール先の容量が足りません。\n確認して下さい。");
    EXPECT_EQ(boxes.boxes[0].caption, "確認");
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    EXPECT_FALSE(harness::Exists(work + "\\新年表"));
    EXPECT_EQ(g_state.semaphore, guard);
}

TEST_F(Prepare, MissingRootHasItsParentsSpaceAndNoKeepsEverything) {
    g_state.requiredMB = 1;
    harness::BoxCatcher boxes;
    boxes.answer(IDNO);
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "フォルダ作成の確認");
    EXPECT_EQ(boxes.boxes[0].text, "以下のフォルダが存在しません。作成しますか？\n\n" + install);
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_STREQ(g_state.installFolder, root.c_str());
    EXPECT_FALSE(harness::Exists(work + "\\新年表"));
    EXPECT_FALSE(harness::Exists(common));
    EXPECT_EQ(g_state.semaphore, guard);
}

TEST_F(Prepare, StagedInstallerAndSettingsThenTheStart) {
    g_state.requiredMB = 1;
    harness::BoxCatcher boxes;
    boxes.answer(IDYES);
    EXPECT_EQ(Run(boxes), 0);  // the staged "program" does not start
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "インストーラーの起動に失敗しました。");
    EXPECT_EQ(boxes.boxes[1].caption, "エラー");
    EXPECT_EQ(boxes.boxes[1].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(g_state.semaphore, nullptr);  // released before the staging
    guard = nullptr;
    std::string staged = install + "\\Setup.exe";
    EXPECT_EQ(harness::ReadFile(staged), "not a program");
    EXPECT_EQ(GetFileAttributesA(staged.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Settings("InstallFold"), install);
    EXPECT_EQ(Settings("ExeName"), "AoHoshi.exe");
    EXPECT_EQ(Settings("shortcut"), "1");
    EXPECT_EQ(Settings("IsOpenReadme"), "0");
    EXPECT_EQ(Settings("IsInstall"), "0");
    // the uninstall takes back the new root's levels, and only those
    EXPECT_EQ(Settings("CreatedFold"), work + "\\新年表");
    SetFileAttributesA((source + "\\Setup.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Prepare, AStagingThatCannotBeComposedNamesWhatItHas) {
    g_state.requiredMB = 1;
    std::string longSource = "C:\\" + std::string(252, 's');  // {source}\Setup.exe does not fit
    lstrcpyA(g_state.sourceFolder, longSource.c_str());
    harness::BoxCatcher boxes;
    boxes.answer(IDYES);
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    // neither path was composed: both are empty, never what the stack held before
    EXPECT_EQ(boxes.boxes[1].text, "インストーラーの用意に失敗しました。\n[]\n[]");
    SetFileAttributesA((source + "\\Setup.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Prepare, AnExistingRootIsNotedAsNobodysToRemove) {
    g_state.requiredMB = 1;
    struct {
        std::string exists, created;
    } rows[] = {
        {root, root + "\\" + g_state.brand},  // only {brand} and {title} are new
        {install, ""},                       // nothing is new: an earlier note stays
    };
    for (const auto& row : rows) {
        harness::MakeDirs(row.exists);
        WritePrivateProfileStringA("INSTALL", "CreatedFold", "earlier", (common + "\\" + g_state.maker + "\\AoHoshi.ini").c_str());
        harness::BoxCatcher boxes;
        EXPECT_EQ(Run(boxes), 0);  // the staged "program" does not start
        EXPECT_EQ(Settings("CreatedFold"), row.created.empty() ? "earlier" : row.created) << row.exists;
        harness::RemoveTree(work + "\\新年表");
    }
    SetFileAttributesA((source + "\\Setup.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Another title of the maker with the same game exe shares the settings file: while it is
// installed this one is refused and nothing of it is touched; once it is gone, this one goes on.
TEST_F(Prepare, AnotherTitleOfTheMakerIsNeverTakenOver) {
    g_state.requiredMB = 1;
    const std::string ini = common + "\\" + g_state.maker + "\\AoHoshi.ini";
    const std::string other = work + "\\games\\" + g_state.brand + "\\続・年代表";
    harness::WriteFile(other + "\\AoHoshi.exe", "the other game");
    harness::MakeDirs(common + "\\" + g_state.maker);
    WritePrivateProfileStringA("INSTALL", "InstallFold", other.c_str(), ini.c_str());
    WritePrivateProfileStringA("INSTALL", "ExeName", "AoHoshi.exe", ini.c_str());
    WritePrivateProfileStringA("INSTALL", "IsInstall", "1", ini.c_str());
    WritePrivateProfileStringA("Link", "exe", "the other link", ini.c_str());
    const std::string settings = harness::ReadFile(ini);
    EXPECT_EQ(IsInstalled(), 0);  // this title's menu offers INSTALL
    harness::BoxCatcher boxes;
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "同じメーカーの別のゲームが、以下のフォルダにインストールされています。\n"
              "そのゲームをアンインストールしてから、もう一度インストールを行ってください。\n\n" + other);
    EXPECT_EQ(boxes.boxes[0].caption, "確認");
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_TRUE(boxes.unexpectedDialogs.empty() && boxes.dialogs.empty());  // never asked
    EXPECT_EQ(harness::ReadFile(ini), settings);
    EXPECT_FALSE(harness::Exists(work + "\\新年表"));
    EXPECT_EQ(g_state.semaphore, guard);
    // the other game uninstalled (by hand here): this one goes on to its folder question
    harness::RemoveTree(work + "\\games");
    boxes.answer(IDNO);
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].caption, "フォルダ作成の確認");
}

TEST_F(Prepare, ExactlyTheRequiredSpaceIsEnough) {
    // other programs write to the same disk: measured again whenever it moved in between
    for (int attempt = 0; attempt < 5; attempt++) {
        ULONGLONG freeMB = 0;
        ASSERT_EQ(FreeMegabytes(work.c_str(), &freeMB), 1);
        ASSERT_LT(freeMB, ULONGLONG(INT_MAX));
        g_state.requiredMB = int(freeMB);
        harness::BoxCatcher boxes;
        boxes.answer(IDNO);  // stops at the folder question, past the space check
        EXPECT_EQ(Run(boxes), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        if (boxes.boxes[0].caption == "フォルダ作成の確認") return;
    }
    ADD_FAILURE() << "exactly the free megabytes were refused";
}

}  // namespace

namespace {

// ---- the dialog templates as built into the program -------------------------------------------

struct Item {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    int atom = 0;  // 0x80 button, 0x81 edit, 0x85 combo box
    std::string text;
};
struct Dialog {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    bool plain = false;  // a DLGTEMPLATE, not the extended form
    std::string caption, font;
    int points = 0;
    std::vector<Item> items;
};

struct Reader {
    const WORD* p;
    WORD word() { return *p++; }
    DWORD dword() {
        DWORD lo = word();
        return lo | DWORD(word()) << 16;
    }
    std::string text() {  // a zero-terminated UTF-16 string, as CP932
        std::wstring w;
        while (*p) w += wchar_t(*p++);
        p++;
        int n = WideCharToMultiByte(932, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string out(size_t(n), '\0');
        WideCharToMultiByte(932, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
        out.resize(size_t(n > 0 ? n - 1 : 0));
        return out;
    }
    int ordOrText(std::string* s) {  // 0xFFFF + ordinal, or a string
        if (*p == 0xFFFF) {
            p++;
            return word();
        }
        *s = text();
        return 0;
    }
    void align() { p = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3)); }
};

Dialog LoadDialog(int id, WORD language = LANGUAGE_JAPANESE) {
    Dialog d;
    HRSRC found = FindResourceExA(GetModuleHandleA(nullptr), (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(id), language);
    if (!found) return d;
    Reader r{static_cast<const WORD*>(LockResource(LoadResource(GetModuleHandleA(nullptr), found)))};
    d.plain = !(r.p[0] == 1 && r.p[1] == 0xFFFF);
    if (!d.plain) return d;
    d.style = r.dword();
    d.exStyle = r.dword();
    int count = r.word();
    d.x = short(r.word()), d.y = short(r.word()), d.cx = short(r.word()), d.cy = short(r.word());
    std::string ignored;
    EXPECT_EQ(r.ordOrText(&ignored), 0);  // no menu
    EXPECT_TRUE(ignored.empty());
    EXPECT_EQ(r.ordOrText(&ignored), 0);  // the standard class
    d.caption = r.text();
    if (d.style & DS_SETFONT) {
        d.points = r.word();
        d.font = r.text();
    }
    for (int i = 0; i < count; i++) {
        r.align();
        Item it;
        it.style = r.dword();
        r.dword();
        it.x = short(r.word()), it.y = short(r.word()), it.cx = short(r.word()), it.cy = short(r.word());
        it.id = short(r.word());
        std::string cls;
        it.atom = r.ordOrText(&cls);
        std::string text;
        r.ordOrText(&text);
        it.text = text;
        WORD extra = r.word();
        r.p += (extra + 1) / 2;
        d.items.push_back(it);
    }
    return d;
}

const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
const DWORD kChild = WS_CHILD | WS_VISIBLE, kTab = kChild | WS_TABSTOP;

void ExpectDialog(int id, const char* caption, short cx, short cy, const std::vector<Item>& want) {
    Dialog d = LoadDialog(id);
    ASSERT_TRUE(d.plain) << id;
    EXPECT_EQ(d.style, kDialogStyle) << id;
    EXPECT_EQ(d.exStyle, 0u) << id;
    EXPECT_EQ(d.caption, caption);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.cx, cx);
    EXPECT_EQ(d.cy, cy);
    EXPECT_EQ(d.points, 9);
    EXPECT_EQ(d.font, "ＭＳ Ｐゴシック");
    ASSERT_EQ(d.items.size(), want.size()) << id;
    for (size_t i = 0; i < want.size(); i++) {
        const Item &g = d.items[i], &w = want[i];
        EXPECT_EQ(g.style, w.style) << id << " item " << i;
        EXPECT_EQ(g.atom, w.atom) << id << " item " << i;
        EXPECT_EQ(g.id, w.id) << id << " item " << i;
        EXPECT_EQ(g.text, w.text) << id << " item " << i;
        EXPECT_EQ(std::vector<short>({g.x, g.y, g.cx, g.cy}), std::vector<short>({w.x, w.y, w.cx, w.cy}))
            << id << " item " << i;
    }
}

TEST(Templates, AsTabled) {
    const int button = 0x80, edit = 0x81, combo = 0x85;
    ExpectDialog(IDD_INSTALL_OPTIONS, "インストール方法の設定", 199, 93,
                 {{kChild | BS_GROUPBOX, 4, 4, 191, 32, -1, button, "インストール先を指定して下さい"},
                  {kTab | ES_AUTOHSCROLL | WS_BORDER, 7, 15, 171, 13, 1002, edit, ""},
                  {kTab | BS_PUSHBUTTON, 181, 16, 10, 11, 1003, button, "&..."},
                  {kTab | BS_AUTOCHECKBOX, 7, 41, 185, 12, 1010, button, "デスクトップにショートカットを作成する(&D)"},
                  {kTab | BS_AUTOCHECKBOX, 7, 56, 185, 12, 1011, button, "インストール終了後にお読みくださいを開く(&R)"},
                  {kTab | BS_DEFPUSHBUTTON, 41, 73, 50, 14, IDOK, button, "OK"},
                  {kTab | BS_PUSHBUTTON, 107, 73, 50, 14, IDCANCEL, button, "ｷｬﾝｾﾙ"}});
    ExpectDialog(IDD_UNINSTALL_OPTIONS, "アンインストール方法の設定", 187, 65,
                 {{kChild | BS_GROUPBOX, 4, 7, 179, 25, -1, button, "セーブデータ"},
                  {kTab | BS_AUTOCHECKBOX, 8, 15, 158, 14, 1011, button, "全て削除する(&D)"},
                  {kTab | BS_DEFPUSHBUTTON, 35, 44, 50, 14, IDOK, button, "開始"},
                  {kTab | BS_PUSHBUTTON, 101, 44, 50, 14, IDCANCEL, button, "ｷｬﾝｾﾙ"}});
    ExpectDialog(IDD_DISC, "ディスク指定", 149, 65,
                 {{kChild | BS_GROUPBOX, 1, 5, 144, 35, 1013, button, "インストールディスクを指定して下さい"},
                  {kTab | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 5, 19, 135, 76, 1012, combo, ""},
                  {kTab | BS_DEFPUSHBUTTON, 16, 44, 50, 14, IDOK, button, "OK"},
                  {kTab | BS_PUSHBUTTON, 82, 44, 50, 14, IDCANCEL, button, "ｷｬﾝｾﾙ"}});
}

INT_PTR CALLBACK InertDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Every text and every dialog in both languages: a text one table lacks would show in the other
// language, and a format of another shape would read past its arguments. An English format
// is no longer than its Japanese one, for which the buffers were sized; an English dialog has
// the Japanese one's controls, in its order, with its keys.
TEST(Templates, EveryTextAndDialogInBothLanguages) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    int texts = 0;
    for (int id = 0; id < TX_END; id++) {
        char ja[1024], en[1024];
        int hasJa = SysLoadStringIn(self, id, LANGUAGE_JAPANESE, ja, sizeof ja);
        int hasEn = SysLoadStringIn(self, id, LANGUAGE_ENGLISH, en, sizeof en);
        if (id <= 8) continue;  // the product's, held to each other by tools/author
        EXPECT_EQ(hasJa, hasEn) << "text " << id << ": " << (hasJa ? ja : en);
        if (!hasJa || !hasEn) continue;
        texts++;
        auto shape = [](const std::string& t) {
            std::string formats;
            for (size_t at = t.find('%'); at != std::string::npos; at = t.find('%', at + 2)) formats += t.substr(at, 2);
            return formats;
        };
        EXPECT_EQ(shape(ja), shape(en)) << "text " << id << ": " << en;
        if (!shape(ja).empty()) {
            EXPECT_LE(strlen(en), strlen(ja)) << "text " << id << ": " << en;
        }
        for (const char* c = en; *c; c++) EXPECT_LT((unsigned char)*c, 0x80) << "text " << id << ": " << en;
    }
    EXPECT_GE(texts, 50);
    for (int id : {IDD_INSTALL_OPTIONS, IDD_UNINSTALL_OPTIONS, IDD_DISC}) {
        Dialog ja = LoadDialog(id), en = LoadDialog(id, LANGUAGE_ENGLISH);
        ASSERT_TRUE(en.plain) << id;
        EXPECT_EQ(ja.style, en.style) << id;
        EXPECT_NE(ja.caption, en.caption) << id;
        ASSERT_EQ(ja.items.size(), en.items.size()) << id;
        for (size_t i = 0; i < ja.items.size(); i++) {
            const Item &j = ja.items[i], &e = en.items[i];
            EXPECT_EQ(std::make_tuple(j.style, j.atom, j.id), std::make_tuple(e.style, e.atom, e.id)) << id << " item " << i;
            size_t jKey = j.text.find('&'), eKey = e.text.find('&');
            EXPECT_EQ(jKey == std::string::npos, eKey == std::string::npos) << id << " item " << i;
            if (jKey != std::string::npos && eKey != std::string::npos) {
                EXPECT_EQ(toupper(j.text[jKey + 1]), toupper(e.text[eKey + 1])) << id << " item " << i;
            }
        }
        // made as the system makes it, every English label fits its control at its font (the
        // check box or the frame's corner taken off)
        HRSRC found = FindResourceExA(self, (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(id), LANGUAGE_ENGLISH);
        HWND dialog = CreateDialogIndirectParamW(self, (LPCDLGTEMPLATEW)LockResource(LoadResource(self, found)),
                                                 nullptr, InertDialog, 0);
        ASSERT_NE(nullptr, dialog) << id;
        for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
            WCHAR text[256] = L"", shown[256];
            int n = 0;
            GetWindowTextW(item, text, 256);
            for (const WCHAR* c = text; *c; c++)
                if (*c != L'&') shown[n++] = *c;
            RECT r;
            GetClientRect(item, &r);
            LONG kind = GetWindowLongW(item, GWL_STYLE) & BS_TYPEMASK;
            int room = r.right - (kind == BS_AUTOCHECKBOX || kind == BS_GROUPBOX ? 18 : 4);
            HDC dc = GetDC(item);
            HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(item, WM_GETFONT, 0, 0));
            SIZE size = {};
            GetTextExtentPoint32W(dc, shown, n, &size);
            SelectObject(dc, old);
            ReleaseDC(item, dc);
            EXPECT_LE(size.cx, room) << id << " item " << GetDlgCtrlID(item);
        }
        DestroyWindow(dialog);
    }
}

}  // namespace

namespace {

// ---- the dialogs at work ----------------------------------------------------------------------

struct Dialogs : Root {
    std::string common;
    void SetUp() override {
        Root::SetUp();
        common = harness::MakeTempDir("dlg");
        lstrcpyA(g_state.commonFolder, common.c_str());
        g_state.mainWindow = nullptr;
    }
    void TearDown() override { harness::RemoveTree(common); }
    std::string AllDelete() {
        char value[16];
        std::string ini = common + "\\" + g_state.maker + "\\AoHoshi.ini";
        GetPrivateProfileStringA("UNINSTALL", "AllDelete", "*", value, sizeof value, ini.c_str());
        return value;
    }
};

std::string ComboText(HWND combo, int index) {
    char text[64] = "";
    SendMessageA(combo, CB_GETLBTEXT, index, LPARAM(text));
    return text;
}

TEST_F(Dialogs, DiscDialogListsTheCdromDrives) {
    lstrcpyA(g_state.sourceFolder, "C:\\somewhere");
    std::vector<std::string> listed;
    LRESULT selected = -2;
    harness::BoxCatcher boxes;
    boxes.onDialog = [&](HWND dialog) {
        HWND combo = GetDlgItem(dialog, IDC_DRIVE_COMBO);
        for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); i++) listed.push_back(ComboText(combo, i));
        selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        harness::Click(dialog, IDOK);
        return true;
    };
    EXPECT_EQ(RunDiscDialog(), 1);
    EXPECT_EQ(listed, std::vector<std::string>({"d:", "e:"}));  // the two of the test prefix
    EXPECT_EQ(selected, 0);
    EXPECT_STREQ(g_state.sourceFolder, "d:");

    // Cancel and the close box leave {source} alone
    boxes.onDialog = [&](HWND dialog) { return harness::Click(dialog, IDCANCEL), true; };
    EXPECT_EQ(RunDiscDialog(), 0);
    boxes.onDialog = [&](HWND dialog) { return PostMessageA(dialog, WM_CLOSE, 0, 0), true; };
    EXPECT_EQ(RunDiscDialog(), 0);
    EXPECT_STREQ(g_state.sourceFolder, "d:");

    // the next disc of a title on several: asked for by its number, the drive chosen given
    // back, {source} left to the caller; then the install disc is asked for as before
    char drive[MAX_PATH];
    std::string prompt;
    boxes.onDialog = [&](HWND dialog) {
        prompt = harness::WindowText(GetDlgItem(dialog, IDC_DISC_PROMPT));
        SendMessageA(GetDlgItem(dialog, IDC_DRIVE_COMBO), CB_SETCURSEL, 1, 0);
        harness::Click(dialog, IDOK);
        return true;
    };
    EXPECT_EQ(RunNextDiscDialog(12, drive), 1);
    EXPECT_EQ(prompt, "ディスク 12 を入れてください");
    EXPECT_STREQ(drive, "e:");
    EXPECT_STREQ(g_state.sourceFolder, "d:");
    boxes.onDialog = [&](HWND dialog) {
        prompt = harness::WindowText(GetDlgItem(dialog, IDC_DISC_PROMPT));
        return harness::Click(dialog, IDCANCEL), true;
    };
    EXPECT_EQ(RunNextDiscDialog(2, drive), 0);
    EXPECT_EQ(RunDiscDialog(), 0);
    EXPECT_EQ(prompt, "インストールディスクを指定して下さい");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Dialogs, UninstallOptionsWriteAllDelete) {
    harness::MakeDirs(common + "\\" + g_state.maker);
    harness::BoxCatcher boxes;
    boxes.onDialog = [&](HWND dialog) { return harness::Click(dialog, IDCANCEL), true; };
    EXPECT_EQ(RunUninstallOptionsDialog(nullptr), 0);
    EXPECT_EQ(AllDelete(), "*");
    bool startsUnchecked = false;
    boxes.onDialog = [&](HWND dialog) {
        startsUnchecked = IsDlgButtonChecked(dialog, IDC_ALL_DELETE_CHECK) == BST_UNCHECKED;
        harness::Click(dialog, IDOK);
        return true;
    };
    EXPECT_EQ(RunUninstallOptionsDialog(nullptr), 1);
    EXPECT_TRUE(startsUnchecked);
    EXPECT_EQ(AllDelete(), "0");
    boxes.onDialog = [&](HWND dialog) {
        CheckDlgButton(dialog, IDC_ALL_DELETE_CHECK, BST_CHECKED);
        harness::Click(dialog, IDOK);
        return true;
    };
    EXPECT_EQ(RunUninstallOptionsDialog(nullptr), 1);
    EXPECT_EQ(AllDelete(), "1");
}

// A hand-off whose uninstaller cannot be made or started says why and leaves nothing staged.
TEST_F(Dialogs, FailedHandOffIsSaidAndLeavesNothingStaged) {
    const std::string store = common + "\\" + g_state.maker, staged = store + "\\Setup.exe";
    const std::string install = common + "\\game", ini = store + "\\AoHoshi.ini";
    harness::MakeDirs(install);
    harness::WriteFile(staged, "an older uninstaller");
    WritePrivateProfileStringA("INSTALL", "InstallFold", install.c_str(), ini.c_str());
    lstrcpyA(g_state.sourceFolder, install.c_str());
    HANDLE guard = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    g_state.semaphore = guard;
    harness::BoxCatcher boxes;
    boxes.onDialog = [&](HWND dialog) { return harness::Click(dialog, IDOK), true; };
    // {install}\Setup.exe is not there to be copied
    EXPECT_EQ(UninstallHandOff(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "アンインストーラーの用意に失敗しました。\n[" + install + "\\Setup.exe]\nファイルが見つかりません。 (2)");
    EXPECT_EQ(boxes.boxes[0].caption, "エラー");
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_FALSE(harness::Exists(staged));
    EXPECT_EQ(g_state.semaphore, guard);
    // copied, but no program to start: the guard is held again
    harness::WriteFile(install + "\\Setup.exe", "not a program");
    EXPECT_EQ(UninstallHandOff(), 0);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text.rfind("アンインストーラーの起動に失敗しました。\n[" + staged + "]\n", 0), 0u)
        << boxes.boxes[1].text;
    EXPECT_FALSE(harness::Exists(staged));
    EXPECT_NE(g_state.semaphore, nullptr);
    CloseHandle(g_state.semaphore);
    g_state.semaphore = nullptr;
}

TEST_F(Dialogs, InstallOptionsStartCheckedWithTheLastRoot) {
    lstrcpyA(g_state.installFolder, "C:\\Program Files");
    std::vector<std::string> shown;
    std::vector<bool> checked;
    harness::BoxCatcher boxes;
    auto open = [&](const char* root, bool ok) {
        boxes.onDialog = [&, root, ok](HWND dialog) {
            char text[PATH_SIZE];
            GetDlgItemTextA(dialog, IDC_ROOT_EDIT, text, sizeof text);
            shown.push_back(text);
            checked.push_back(IsDlgButtonChecked(dialog, IDC_DESKTOP_CHECK) == BST_CHECKED &&
                              IsDlgButtonChecked(dialog, IDC_README_CHECK) == BST_CHECKED);
            SetDlgItemTextA(dialog, IDC_ROOT_EDIT, root);
            CheckDlgButton(dialog, IDC_DESKTOP_CHECK, BST_UNCHECKED);
            CheckDlgButton(dialog, IDC_README_CHECK, BST_UNCHECKED);
            harness::Click(dialog, ok ? IDOK : IDCANCEL);
            return true;
        };
        return RunInstallOptionsDialog();
    };
    g_state.desktopShortcut = g_state.openReadme = 1;
    EXPECT_EQ(open("C:\\Elsewhere", false), 0);  // Cancel keeps root and flags
    EXPECT_STREQ(g_state.installFolder, "C:\\Program Files");
    EXPECT_EQ(g_state.desktopShortcut, 1);
    EXPECT_EQ(open("C:\\", true), 1);
    EXPECT_STREQ(g_state.installFolder, "C:");
    EXPECT_EQ(g_state.desktopShortcut, 0);
    EXPECT_EQ(g_state.openReadme, 0);
    EXPECT_EQ(open("C:\\Games", false), 0);
    EXPECT_EQ(shown, std::vector<std::string>({"C:\\Program Files", "C:\\Program Files", "C:"}));
    EXPECT_EQ(checked, std::vector<bool>({true, true, true}));
    EXPECT_TRUE(boxes.boxes.empty());
}

// The ids of the controls Tab visits, from the one with the focus at the start.
std::vector<int> TabOrder(HWND dialog) {
    std::vector<int> ids;
    HWND start = GetFocus(), at = start;
    do {
        ids.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(dialog, at, FALSE);
    } while (at && at != start && ids.size() < 20);
    return ids;
}

// From the keyboard alone: Tab in reading order from the first control, the check boxes'
// access keys, Enter for OK and Esc for Cancel.
TEST_F(Dialogs, KeysReachEveryControl) {
    harness::MakeDirs(common + "\\" + g_state.maker);
    lstrcpyA(g_state.installFolder, "C:\\Program Files");
    struct Row {
        const char* what;
        std::function<int()> run;
        std::vector<int> order;
        const char* keys;  // access keys pressed before Enter
    } table[] = {
        {"install options", RunInstallOptionsDialog,
         {IDC_ROOT_EDIT, IDC_BROWSE, IDC_DESKTOP_CHECK, IDC_README_CHECK, IDOK, IDCANCEL}, "dr"},
        {"uninstall options", [] { return RunUninstallOptionsDialog(nullptr); },
         {IDC_ALL_DELETE_CHECK, IDOK, IDCANCEL}, "d"},
        {"disc", RunDiscDialog, {IDC_DRIVE_COMBO, IDOK, IDCANCEL}, ""},
    };
    g_state.desktopShortcut = g_state.openReadme = 1;
    harness::BoxCatcher boxes;
    for (const Row& row : table) {
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            std::vector<int> order;
            boxes.onDialog = [&](HWND dialog) {
                order = TabOrder(dialog);
                if (key == VK_RETURN)
                    for (const char* k = row.keys; *k; k++) PostMessageA(GetFocus(), WM_SYSCHAR, *k, 1 << 29);
                PostMessageA(GetFocus(), WM_KEYDOWN, key, 0);
                return true;
            };
            EXPECT_EQ(row.run(), key == VK_RETURN) << row.what;
            EXPECT_EQ(order, row.order) << row.what;
        }
    }
    // the access keys turned the boxes: both off, the save data on
    EXPECT_EQ(g_state.desktopShortcut, 0);
    EXPECT_EQ(g_state.openReadme, 0);
    EXPECT_EQ(AllDelete(), "1");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(boxes.unexpectedDialogs.empty());
}

// What the browser callback sends: a window standing in for the browser records it.
typedef std::vector<std::tuple<UINT, WPARAM, LPARAM>> Sent;
Sent g_sent;
std::string g_selected;  // the folder a BFFM_SETSELECTIONW named, in code page 932
LRESULT CALLBACK FakeBrowser(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BFFM_SETSELECTIONW) {
        char path[MAX_PATH * 2] = "";
        WideCharToMultiByte(932, 0, (LPCWSTR)lParam, -1, path, sizeof path, nullptr, nullptr);
        g_selected = path;
        lParam = 0;
    }
    if (message >= WM_USER) g_sent.push_back({message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Dialogs, BrowserRefusesHiddenFolders) {
    std::string hidden = common + "\\secret", plain = common + "\\open";
    harness::MakeDirs(hidden);
    harness::MakeDirs(plain);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    WNDCLASSA cls = {};
    cls.lpfnWndProc = FakeBrowser;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "FakeBrowser";
    RegisterClassA(&cls);
    HWND browser = CreateWindowExA(0, "FakeBrowser", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   cls.hInstance, nullptr);
    for (const std::string& folder : {hidden, plain, std::string("C:\\")}) {
        g_sent.clear();
        LPITEMIDLIST item = ILCreateFromPathA(folder.c_str());
        ASSERT_NE(item, nullptr) << folder;
        EXPECT_EQ(BrowseCallback(browser, BFFM_SELCHANGED, LPARAM(item), 0), 0);
        ILFree(item);
        if (folder == hidden)  // OK disabled: BFFM_ENABLEOK with 0
            EXPECT_EQ(g_sent, Sent({{BFFM_ENABLEOK, 0, 0}}));
        else
            EXPECT_TRUE(g_sent.empty()) << folder;  // never enabled by the callback either
    }
    // at the start it selects the folder it was given, and nothing when given nothing
    char path[PATH_SIZE];
    lstrcpyA(path, plain.c_str());
    g_sent.clear();
    BrowseCallback(browser, BFFM_INITIALIZED, 0, LPARAM(path));
    EXPECT_EQ(g_sent, Sent({{BFFM_SETSELECTIONW, TRUE, 0}}));
    EXPECT_EQ(g_selected, plain);
    path[0] = 0;
    g_sent.clear();
    BrowseCallback(browser, BFFM_INITIALIZED, 0, LPARAM(path));
    EXPECT_TRUE(g_sent.empty());
    DestroyWindow(browser);
    UnregisterClassA("FakeBrowser", cls.hInstance);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
