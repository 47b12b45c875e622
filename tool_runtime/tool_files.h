// The tool folder and the tool files written into it from the program's embedded copies.
#pragma once

#include <span>
#include <string>

enum ToolFile { kFastboot, kAdb, kAdbWinApi, kAdbWinUsbApi };

struct ToolFileEntry {
  ToolFile file;
  unsigned short id;  // resource identifier (IDR_*)
  const wchar_t* type;  // resource type name
};

// The tool folder's path. Windows: the temporary path followed by "vantrelTool".
// POSIX: a folder only this user can enter, $XDG_RUNTIME_DIR/vantrelTool or
// ${TMPDIR:-/tmp}/vantrelTool-<uid>; when that name is taken by a folder that is not ours, a
// fresh private folder beside it, the same one for the rest of the process.
std::wstring ToolFolderPath();

// Makes sure the folder is there; false only when it had to be made and could not be.
// POSIX: also false unless the folder is private to us. When `path` turns out to be someone
// else's, a private fallback is made and true returned: ToolFolderPath() names it from then on.
bool EnsureToolFolder(const std::wstring& path);

// Full path of one tool file in `folder` ("\\adb.exe" on Windows, "/adb" on POSIX).
std::wstring ToolFilePath(const std::wstring& folder, ToolFile which);

// Writes the embedded file `id` of type `type` to `filePath`, replacing what was there.
// 1 when the file was created and every byte written. 0 otherwise: a file that cannot be
// opened keeps its old content; a missing resource leaves it empty; a short write deletes it,
// so a truncated program is never mistaken for a good one.
int ExtractToolResource(const std::wstring& filePath, unsigned short id, const std::wstring& type);

// The files to deploy, in writing order (fastboot first). Windows: the two programs and the
// two USB libraries; POSIX: fastboot and adb only.
std::span<const ToolFileEntry> DeployedToolFiles();
