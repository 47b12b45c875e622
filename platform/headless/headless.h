// The headless backend's window model and the test driver's controls: a person at the keyboard.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/afx.h"

namespace headless {

// One in-memory window: a dialog or one of its controls, keyed by control id.
struct Window {
  int id = 0;
  unsigned templateId = 0;  // dialogs only
  CString text;
  unsigned style = 0;
  bool enabled = true;
  bool iconic = false;
  CRect client{0, 0, 100, 20};
  FontRef font = nullptr;                      // what WM_GETFONT answers
  std::vector<CString> items;                  // combo box entries, kept sorted like CBS_SORT
  int curSel = -1;
  std::vector<std::pair<unsigned, CString>> systemMenu;  // (id, text); separators have id 0 and no text
  IconRef bigIcon = nullptr;
  IconRef smallIcon = nullptr;
  int updateWindowCount = 0;   // UpdateWindow calls: the control painted at once
  int invalidateCount = 0;
  int trackRequests = 0;       // _TrackMouseEvent calls
  unsigned lastHoverTime = 0;
  CWnd* routedTo = nullptr;    // object whose event table receives this window's events
  Window* parent = nullptr;
  std::map<int, std::unique_ptr<Window>> children;
};

// The in-memory window behind an attached object (null when not attached).
Window* WindowOf(const CWnd& wnd);
// The control `id` of a dialog, made on first use as the template would have it.
Window* Child(const CWnd& dialog, int id);

// Runs when a dialog with `templateId` starts its modal run, after OnInitDialog: it plays the
// user. A dialog whose driver returns without ending, or that has no driver, ends with IDCANCEL.
using ModalDriver = std::function<void(CDialogEx&)>;
void SetModalDriver(unsigned templateId, ModalDriver driver);

// The answer the next file dialogs give: a path (IDOK) or nothing (IDCANCEL).
void SetFileDialogAnswer(std::optional<CString> path);
struct FileDialogRecord {
  BOOL open = FALSE;
  CString defaultExt;
  CString fileName;
  unsigned flags = 0;
  CString filter;
  BOOL vistaStyle = FALSE;
  bool hadParent = false;
};
const std::vector<FileDialogRecord>& FileDialogsShown();

// User actions, delivered through the dialog's event table.
void Click(CWnd& dialog, int id);
void PressEnter(CWnd& dialog);   // the default button, IDOK
void PressEscape(CWnd& dialog);  // IDCANCEL
void SysCommand(CWnd& dialog, unsigned id);
void SelectItem(CWnd& dialog, int comboId, int index);

// Events for a subclassed control.
void MouseMove(CWnd& control);
void MouseHover(CWnd& control);
void MouseLeave(CWnd& control);
void LButtonUp(CWnd& control);
// Asks the control for its cursor; true when it set one itself.
bool SetCursorQuery(CWnd& control);
void Paint(CWnd& wnd);
// The control-colour query for control `id`; returns the text colour the handler set, if any.
std::optional<COLORREF> CtlColorTextOf(CWnd& dialog, int id);

// What the program asked of the system.
const std::vector<CString>& OpenedAddresses();  // ShellOpen
int HandCursorCount();                          // SetHandCursor
bool RestartRegistered();
CString RegistryKey();

// Painting: every paint-context operation as one text line, e.g. "TextOut 0,-1 abc".
std::vector<std::wstring>& PaintLog();
void SetTextHeight(int height);  // what GetTextMetrics answers (default 13)
int LiveFonts();                 // fonts made by CreateFontCopy and not yet deleted
// A font handle a test can give a control (its underline flag as given).
FontRef MakeFont(bool underline);

// Forgets drivers, answers and records.
void Reset();

}  // namespace headless
