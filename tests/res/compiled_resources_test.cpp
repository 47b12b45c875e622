// Checks the resources linked into a Windows program: templates control by control, icon, QR bitmap,
// string table, version record and manifest, read back the way the system reads them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/maker_info.h"
#include "res/resource.h"
#include "res/strings.h"

namespace {

const WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out.data(), n);
  return out;
}

// Bytes of a resource stored under the Chinese (PRC) language; empty when there is none.
std::vector<BYTE> ResourceBytes(LPCWSTR type, LPCWSTR name) {
  HRSRC found = FindResourceExW(nullptr, type, name, kChinesePrc);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  DWORD size = SizeofResource(nullptr, found);
  if (!data || size == 0) return {};
  return std::vector<BYTE>(data, data + size);
}

// ---- Extended dialog templates, parsed from their bytes ---------------------------------------

struct Item {
  DWORD id;
  std::wstring cls;      // class name; the predefined ordinals are turned into their names
  std::wstring text;     // caption, or empty when it is an ordinal
  WORD textOrdinal;      // resource id of an icon or bitmap caption, else 0
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
};

struct Dialog {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  WORD pointSize = 0, weight = 0;
  BYTE italic = 0, charset = 0;
  std::wstring face;
  std::vector<Item> items;
};

class Reader {
 public:
  explicit Reader(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}
  bool ok() const { return m_ok; }
  template <class T> T Get() {
    T value{};
    if (m_pos + sizeof(T) > m_bytes.size()) {
      m_ok = false;
      return value;
    }
    std::memcpy(&value, m_bytes.data() + m_pos, sizeof(T));
    m_pos += sizeof(T);
    return value;
  }
  std::wstring String() {
    std::wstring s;
    for (WCHAR c = Get<WCHAR>(); m_ok && c; c = Get<WCHAR>()) s += c;
    return s;
  }
  // A name-or-ordinal field: 0 for none, 0xFFFF then the ordinal, otherwise a string.
  void NameOrOrdinal(std::wstring* name, WORD* ordinal) {
    WORD first = Get<WORD>();
    *ordinal = 0;
    name->clear();
    if (first == 0xFFFF) {
      *ordinal = Get<WORD>();
    } else if (first != 0) {
      *name += static_cast<WCHAR>(first);
      *name += String();
    }
  }
  void AlignDword() { m_pos = (m_pos + 3) & ~std::size_t{3}; }
  void Skip(std::size_t n) { m_pos += n; }

 private:
  const std::vector<BYTE>& m_bytes;
  std::size_t m_pos = 0;
  bool m_ok = true;
};

std::wstring ClassFromOrdinal(WORD ordinal) {
  switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
  }
  return L"#" + std::to_wstring(ordinal);
}

bool ParseDialog(const std::vector<BYTE>& bytes, Dialog* d) {
  Reader r(bytes);
  if (r.Get<WORD>() != 1 || r.Get<WORD>() != 0xFFFF) return false;  // DLGTEMPLATEEX only
  r.Get<DWORD>();                                                     // help id
  d->exStyle = r.Get<DWORD>();
  d->style = r.Get<DWORD>();
  WORD count = r.Get<WORD>();
  d->x = r.Get<short>(), d->y = r.Get<short>(), d->cx = r.Get<short>(), d->cy = r.Get<short>();
  std::wstring name;
  WORD ordinal;
  r.NameOrOrdinal(&name, &ordinal);  // menu
  r.NameOrOrdinal(&name, &ordinal);  // window class
  d->caption = r.String();
  if (d->style & (DS_SETFONT | DS_SHELLFONT)) {
    d->pointSize = r.Get<WORD>();
    d->weight = r.Get<WORD>();
    d->italic = r.Get<BYTE>();
    d->charset = r.Get<BYTE>();
    d->face = r.String();
  }
  for (WORD i = 0; i < count && r.ok(); ++i) {
    r.AlignDword();
    Item it{};
    r.Get<DWORD>();  // help id
    it.exStyle = r.Get<DWORD>();
    it.style = r.Get<DWORD>();
    it.x = r.Get<short>(), it.y = r.Get<short>(), it.cx = r.Get<short>(), it.cy = r.Get<short>();
    it.id = r.Get<DWORD>();
    r.NameOrOrdinal(&it.cls, &ordinal);
    if (ordinal) it.cls = ClassFromOrdinal(ordinal);
    r.NameOrOrdinal(&it.text, &it.textOrdinal);
    r.Skip(r.Get<WORD>());  // creation data
    d->items.push_back(it);
  }
  return r.ok();
}

// ---- The expected templates ----------------------------------------------------------------

struct ExpectedItem {
  int id;
  const wchar_t* cls;
  const char* text;  // UTF-8; null when the caption is the ordinal below
  WORD textOrdinal;
  DWORD style;       // complete, WS_CHILD | WS_VISIBLE included
  DWORD exStyle;
  short x, y, cx, cy;
};

struct ExpectedDialog {
  const char* name;
  int id;
  const char* caption;
  DWORD style;
  DWORD exStyle;
  short cx, cy;
  WORD pointSize, weight;
  BYTE charset;
  std::vector<ExpectedItem> items;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kReadOnlyEdit = kChild | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX;
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kInfoStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;

const std::vector<ExpectedDialog>& ExpectedDialogs() {
  static const std::vector<ExpectedDialog> dialogs = {
      {"main", IDD_MAIN_DIALOG, "vantrelTool",
       WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
       WS_EX_APPWINDOW, 320, 200, 9, 0, DEFAULT_CHARSET,
       {
           {IDOK, L"Button", "清空日志", 0, kDefPush, 0, 212, 179, 50, 14},
           {IDC_ABOUT_MAKER, L"Button", "关于vantrel", 0, kPush, 0, 263, 179, 50, 14},
           {IDC_RECOVERY_PATH, L"Edit", "", 0, kReadOnlyEdit, 0, 62, 79, 187, 14},
           {IDC_LOG, L"Edit", "", 0, kReadOnlyEdit | ES_MULTILINE | WS_VSCROLL, 0, 7, 119, 306, 59},
           {IDC_CHOOSE_RECOVERY, L"Button", "选择recovery", 0, kPush, 0, 8, 78, 50, 14},
           {IDC_FLASH, L"Button", "刷入", 0, kPush, 0, 255, 78, 50, 14},
           {IDC_STATIC, L"Button", "刷入选项", 0, kGroupBox, 0, 7, 48, 306, 57},
           {IDC_REBOOT, L"Button", "重启手机", 0, kPush, 0, 7, 179, 50, 14},
           {IDC_STATIC, L"Button", "设备检测", 0, kGroupBox, 0, 7, 7, 306, 36},
           {IDC_DETECT_DEVICE, L"Button", "检测设备", 0, kPush, 0, 8, 22, 50, 14},
           {IDC_DEVICE_STATUS, L"Edit", "", 0, kReadOnlyEdit, WS_EX_RTLREADING, 64, 23, 82, 14},
           {IDC_CHECK_BL, L"Button", "检测BL", 0, kPush, 0, 153, 22, 50, 14},
           {IDC_BL_STATUS, L"Edit", "", 0, kReadOnlyEdit, WS_EX_RTLREADING, 208, 22, 100, 14},
           {IDC_STATIC, L"Static", "选择品牌：", 0, kLabel, 0, 10, 60, 37, 11},
           {IDC_BRAND, L"ComboBox", "", 0, kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT, 0,
            47, 58, 48, 30},
           {IDC_STATIC, L"Static", "日志输出", 0, kLabel, 0, 9, 109, 28, 8},
           {IDC_NOTE, L"Static", "注：目前仅支持华为、小米（高通芯片）机型", 0, kLabel, 0, 104, 60, 138, 8},
           {IDC_DONATE, L"Button", "捐赠开发者", 0, kPush, 0, 161, 179, 50, 14},
           {IDC_REBOOT_RECOVERY, L"Button", "重启到recovery", 0, kPush, 0, 58, 179, 56, 14},
       }},
      {"about", IDD_ABOUTBOX, "关于 vantrelTool", kInfoStyle, 0, 170, 62, 9, 0, ANSI_CHARSET,
       {
           {IDC_STATIC, L"Static", nullptr, IDR_MAINFRAME, kChild | SS_ICON, 0, 14, 14, 21, 20},
           {IDC_STATIC, L"Static", "vantrelTool，1.0 版", 0, kLabel | SS_NOPREFIX, 0, 42, 14, 114, 8},
           {IDC_STATIC, L"Static", VANTREL_ABOUT_SECOND_LINE, 0, kLabel, 0, 42, 26, 114, 8},
           {IDOK, L"Button", "确定", 0, kDefPush | WS_GROUP, 0, 113, 41, 50, 14},
       }},
      {"maker", IDD_ABOUT_MAKER, "关于vantrel", kInfoStyle, 0, 316, 183, 8, FW_NORMAL, DEFAULT_CHARSET,
       {
           {IDOK, L"Button", "确定", 0, kDefPush, 0, 257, 162, 50, 14},
           {IDC_STATIC, L"Button", "工具说明", 0, kGroupBox, 0, 7, 7, 302, 156},
           {IDC_STATIC, L"Static", "版本：V1.0", 0, kLabel, 0, 21, 27, 207, 15},
           {IDC_STATIC, L"Static", "支持机型：华为、小米（高通芯片）机型", 0, kLabel, 0, 21, 42, 145, 8},
           {IDC_SITE_LINK, L"Static", "官网：" VANTREL_MAKER_HOST, 0, kLabel, 0, 22, 57, 83, 8},
           {IDC_BLOG_LINK, L"Static", "微博：" VANTREL_MAKER_BLOG_URL, 0, kLabel, 0, 22, 73, 107, 8},
           {IDC_STATIC, L"Static", "问题反馈建议：" VANTREL_MAKER_EMAIL, 0, kLabel, 0, 22, 89, 127, 8},
           {IDC_STATIC, L"Static", "支付宝捐赠账号：" VANTREL_MAKER_EMAIL, 0, kLabel, 0, 22, 105, 127, 8},
       }},
      {"donation", IDD_DONATION, "捐赠开发者", kInfoStyle, 0, 324, 284, 8, FW_NORMAL, DEFAULT_CHARSET,
       {
           {IDCANCEL, L"Button", "取消", 0, kPush, 0, 267, 263, 50, 14},
           {IDC_STATIC, L"Static", "支付宝二维码捐赠，打开支付宝扫一扫即可捐赠", 0, kLabel, 0, 79, 36, 169, 11},
           {IDC_STATIC, L"Static", nullptr, IDB_DONATION_QR, kChild | SS_BITMAP, 0, 67, 54, 195, 184},
       }},
  };
  return dialogs;
}

// Failure messages name the dialog instead of dumping its bytes.
void PrintTo(const ExpectedDialog& dialog, std::ostream* os) { *os << dialog.name; }

class TemplateTest : public testing::TestWithParam<ExpectedDialog> {};

TEST_P(TemplateTest, MatchesTableControlByControl) {
  const ExpectedDialog& want = GetParam();
  std::vector<BYTE> bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(want.id));
  ASSERT_FALSE(bytes.empty()) << "no Chinese (PRC) template " << want.id;
  Dialog got;
  ASSERT_TRUE(ParseDialog(bytes, &got));

  EXPECT_EQ(got.caption, Wide(want.caption));
  EXPECT_EQ(got.style, want.style) << std::hex << (got.style ^ want.style);
  EXPECT_EQ(got.exStyle, want.exStyle);
  EXPECT_EQ(got.x, 0);
  EXPECT_EQ(got.y, 0);
  EXPECT_EQ(got.cx, want.cx);
  EXPECT_EQ(got.cy, want.cy);
  EXPECT_EQ(got.face, L"MS Shell Dlg");
  EXPECT_EQ(got.pointSize, want.pointSize);
  EXPECT_EQ(got.weight, want.weight);
  EXPECT_EQ(got.italic, 0);
  EXPECT_EQ(got.charset, want.charset);

  ASSERT_EQ(got.items.size(), want.items.size());
  for (std::size_t i = 0; i < want.items.size(); ++i) {
    const ExpectedItem& w = want.items[i];
    const Item& g = got.items[i];
    SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(w.id));
    EXPECT_EQ(static_cast<int>(g.id), w.id);
    EXPECT_EQ(CompareStringOrdinal(g.cls.c_str(), -1, w.cls, -1, TRUE), CSTR_EQUAL);
    if (w.text) {
      EXPECT_EQ(g.text, Wide(w.text));
      EXPECT_EQ(g.textOrdinal, 0);
    } else {
      EXPECT_TRUE(g.text.empty());
      EXPECT_EQ(g.textOrdinal, w.textOrdinal);
    }
    EXPECT_EQ(g.style, w.style) << "differs in 0x" << std::hex << (g.style ^ w.style);
    EXPECT_EQ(g.exStyle, w.exStyle);
    EXPECT_EQ(g.x, w.x);
    EXPECT_EQ(g.y, w.y);
    EXPECT_EQ(g.cx, w.cx);
    EXPECT_EQ(g.cy, w.cy);
  }
}

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The dialog manager builds every template: controls in template order with their ids, texts
// and classes, the icon and the QR bitmap found, and each text line wide enough for its text.
TEST_P(TemplateTest, DialogManagerCreatesEveryControl) {
  const ExpectedDialog& want = GetParam();
  HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(want.id), nullptr, QuietProc, 0);
  ASSERT_NE(dlg, nullptr) << GetLastError();

  std::size_t i = 0;
  for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++i) {
    ASSERT_LT(i, want.items.size());
    const ExpectedItem& w = want.items[i];
    SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(w.id));
    EXPECT_EQ(static_cast<short>(GetDlgCtrlID(child)), w.id);
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    EXPECT_EQ(CompareStringOrdinal(cls, -1, w.cls, -1, TRUE), CSTR_EQUAL) << cls;
    if (w.textOrdinal == IDR_MAINFRAME) {
      EXPECT_NE(SendMessageW(child, STM_GETICON, 0, 0), 0);
    } else if (w.textOrdinal == IDB_DONATION_QR) {
      auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
      ASSERT_NE(bitmap, nullptr);
      BITMAP bm{};
      ASSERT_TRUE(GetObjectW(bitmap, sizeof bm, &bm));
      EXPECT_EQ(bm.bmWidth, 292);
      EXPECT_EQ(bm.bmHeight, 299);
    } else if (w.text) {
      wchar_t text[256] = {};
      GetWindowTextW(child, text, 256);
      EXPECT_EQ(std::wstring(text), Wide(w.text));
      if (CompareStringOrdinal(cls, -1, L"Static", -1, TRUE) == CSTR_EQUAL && text[0]) {
        // A label is one line: its text must fit the width, or it wraps out of sight.
        HDC dc = GetDC(child);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        RECT client{};
        GetClientRect(child, &client);
        EXPECT_LE(extent.cx, client.right) << "text is " << extent.cx << " px wide";
      }
    }
  }
  EXPECT_EQ(i, want.items.size());
  DestroyWindow(dlg);
}

INSTANTIATE_TEST_SUITE_P(AllDialogs, TemplateTest, testing::ValuesIn(ExpectedDialogs()),
                         [](const testing::TestParamInfo<ExpectedDialog>& info) { return info.param.name; });

// ---- Icon and bitmap -------------------------------------------------------------------------

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colorCount, reserved;
  WORD planes, bitCount;
  DWORD bytesInRes;
  WORD id;
};
#pragma pack(pop)

TEST(Icon, IsOneImageOf128PixelsWithAlpha) {
  std::vector<BYTE> group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME));
  ASSERT_GE(group.size(), 6u + sizeof(GroupIconEntry));
  WORD count;
  std::memcpy(&count, group.data() + 4, 2);
  ASSERT_EQ(count, 1);
  GroupIconEntry entry;
  std::memcpy(&entry, group.data() + 6, sizeof entry);
  EXPECT_EQ(entry.width, 128);
  EXPECT_EQ(entry.height, 128);
  EXPECT_EQ(entry.bitCount, 32);

  auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                            0, 0, LR_DEFAULTSIZE | LR_CREATEDIBSECTION));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP color{};
  ASSERT_TRUE(GetObjectW(info.hbmColor, sizeof color, &color));
  EXPECT_EQ(color.bmWidth, GetSystemMetrics(SM_CXICON));  // scaled to what LoadIcon would give
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 128, 128, 0));
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(GetIconInfo(icon, &info));
  ASSERT_TRUE(GetObjectW(info.hbmColor, sizeof color, &color));
  EXPECT_EQ(color.bmWidth, 128);
  EXPECT_EQ(color.bmHeight, 128);
  EXPECT_EQ(color.bmBitsPixel, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

TEST(DonationBitmap, Is292By299At24BitsUncompressed) {
  std::vector<BYTE> dib = ResourceBytes(RT_BITMAP, MAKEINTRESOURCEW(IDB_DONATION_QR));
  ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib.data(), sizeof h);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 292);
  EXPECT_EQ(h.biHeight, 299);  // positive: bottom row first
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(h.biXPelsPerMeter, 3780);
  EXPECT_EQ(h.biYPelsPerMeter, 3780);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(dib.size(), 40u + 299u * 876u);  // no colour table, rows of 876 bytes

  auto bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_DONATION_QR),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION ds{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 292);
  EXPECT_EQ(ds.dsBm.bmHeight, 299);
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
  DeleteObject(bitmap);
}

// ---- Strings, version record, manifest ---------------------------------------------------------

TEST(StringTable, HoldsTheSystemMenuEntry) {
  wchar_t text[128] = {};
  ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 128), 0);
  EXPECT_EQ(std::wstring(text), Wide(VANTREL_TEXT_ABOUTBOX));
  EXPECT_EQ(std::wstring(text), L"关于 vantrelTool(&A)...");
}

TEST(VersionRecord, ReadsAsChinesePrcUnicode) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 1200);

  const struct {
    const wchar_t* name;
    const char* value;
  } fields[] = {
      {L"ProductName", "vantrelTool"},         {L"FileDescription", "vantrelTool"},
      {L"InternalName", "vantrelTool.exe"},    {L"OriginalFilename", "vantrelTool.exe"},
      {L"FileVersion", "1.0.0.1"},             {L"ProductVersion", "1.0.0.1"},
      {L"CompanyName", VANTREL_MAKER_NAME},    {L"LegalCopyright", VANTREL_COPYRIGHT},
  };
  for (const auto& f : fields) {
    wchar_t* value = nullptr;
    std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + f.name;
    ASSERT_TRUE(VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &len)) << f.value;
    EXPECT_EQ(std::wstring(value), Wide(f.value));
  }
}

TEST(Manifest, IsEmbeddedAndTurnsOnCommonControls6) {
  std::vector<BYTE> manifest = ResourceBytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
  ASSERT_FALSE(manifest.empty());

  // The process runs under it: comctl32 comes from the side-by-side folder of version 6.
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (!comctl) comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
  CharLowerW(path);
  std::wstring loaded(path);
  EXPECT_NE(loaded.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos) << loaded;
}

}  // namespace
