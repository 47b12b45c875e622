// Drives real windows under Wine as a person would: start a program, find its windows, type, click, look.
#pragma once

#include "platform/win32/win32.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace wineui {

using namespace std::chrono_literals;

// Polls `done` until it holds or `limit` has passed; true when it held.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s);

// A Unix path ("/tmp/x") as Wine shows it to Windows programs ("Z:\tmp\x"); others unchanged.
std::wstring WindowsPath(const std::string& path);

// A program started for a test. The process is ended (and waited for) when the object goes,
// so no test leaves a process running, whatever it asserted.
class Program {
 public:
  // Starts `exe` with the caller's environment plus `env` (which replaces same-named values).
  // Null with `error` filled when the process cannot be started.
  static std::unique_ptr<Program> Start(const std::wstring& exe, const std::map<std::wstring, std::wstring>& env,
                                        std::wstring* error = nullptr);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD Id() const { return m_pid; }
  // The program's visible top-level window of that class and caption, waited for.
  HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, std::chrono::milliseconds limit = 20s) const;
  // Another visible top-level window of the program than `except` (a nested dialog), waited for.
  HWND WaitForOtherWindow(HWND except, std::chrono::milliseconds limit = 10s) const;
  // True when the program waits for input with nothing left to do (its windows are drawn).
  bool WaitForIdle(std::chrono::milliseconds limit = 10s) const;
  // True when the process ended within `limit`; its exit code in `exitCode`.
  bool WaitForExit(std::chrono::milliseconds limit, DWORD* exitCode = nullptr) const;
  bool Running() const;
  void Kill();

 private:
  Program() = default;
  HANDLE m_process = nullptr;
  HANDLE m_job = nullptr;
  DWORD m_pid = 0;
};

// Visible top-level windows of process `pid`, optionally of one class and caption.
std::vector<HWND> TopWindows(DWORD pid, const wchar_t* className = nullptr, const wchar_t* caption = nullptr);

std::wstring Text(HWND hwnd);      // WM_GETTEXT
std::wstring ClassOf(HWND hwnd);   // GetClassNameW
DWORD Style(HWND hwnd);            // GWL_STYLE
DWORD ExStyle(HWND hwnd);          // GWL_EXSTYLE
// The control's window rectangle in the client coordinates of `dialog`.
RECT RectIn(HWND control, HWND dialog);
// A control rectangle of dialog units (x, y, width, height) in client pixels of `dialog`, as the
// dialog manager places it (MapDialogRect; `dialog` must be a window of this process).
RECT DialogUnitsToPixels(HWND dialog, int x, int y, int width, int height);

// A never-shown dialog of this program made from a template, for measuring dialog units.
class HiddenDialog {
 public:
  explicit HiddenDialog(int templateId);
  ~HiddenDialog();
  HiddenDialog(const HiddenDialog&) = delete;
  HiddenDialog& operator=(const HiddenDialog&) = delete;
  HWND Window() const { return m_window; }

 private:
  HWND m_window;
};
// Child controls of `dialog` in template (Z) order.
std::vector<HWND> Children(HWND dialog);
// The entries of a combo box, in list order.
std::vector<std::wstring> ComboItems(HWND combo);

// Puts `window` in front with the keyboard focus; true when it got there.
bool BringToFront(HWND window);
// One key press and release through SendInput; with `alt`, Alt is held around it.
void PressKey(WORD vk, bool alt = false);
// Types `text` through SendInput as Unicode characters (any script, whatever the keyboard layout).
void TypeText(const std::wstring& text);
// A left click through SendInput at a point of the screen / at the centre of a window.
void ClickAt(POINT screen);
void Click(HWND window);
// Moves the pointer through SendInput.
void MoveTo(POINT screen);
POINT CentreOf(HWND window);

struct MenuEntry {
  UINT id = 0;
  bool separator = false;
  std::wstring text;
};
// The entries of a window's system menu, read through the menu handle (also from another process).
std::vector<MenuEntry> SystemMenu(HWND window);

// The same, for a window of another process: Wine keeps a menu in its own process, so the
// menu reader DLL (menu_reader.h) is hooked into the window's thread to read it there.
// Empty when it cannot be read.
std::vector<MenuEntry> SystemMenuOfOtherProcess(HWND window, const std::wstring& readerDll);

// What the screen shows inside a window's rectangle (the screen, so also what a blocked
// program has put there), 0x00RRGGBB per pixel, top row first.
struct Shot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  // Pixels in `r` (clipped to the shot) for which `match` holds.
  int Count(const RECT& r, const std::function<bool(std::uint32_t)>& match) const;
  bool SaveBmp(const std::wstring& path) const;
};
Shot Capture(HWND window);
// Capture of the window, written to <screenshot folder>/<name>.bmp; the path written, or empty.
std::wstring SaveScreenshot(HWND window, const std::wstring& name);

// Colour tests for Shot pixels.
inline int Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
inline int Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
inline int Blue(std::uint32_t p) { return p & 0xFF; }
inline bool IsReddish(std::uint32_t p) { return Red(p) > 180 && Green(p) < 110 && Blue(p) < 110; }
inline bool IsDark(std::uint32_t p) { return Red(p) < 100 && Green(p) < 100 && Blue(p) < 100; }

// A fresh folder under the system's temporary path, deleted with everything in it when the object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& tag);
  ~TempFolder();
  const std::wstring& Path() const { return m_path; }

 private:
  std::wstring m_path;
};

bool FileExists(const std::wstring& path);
// Whole-file write and read by wide path.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);

}  // namespace wineui
