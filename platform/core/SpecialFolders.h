#pragma once
// Linux stand-ins for the special folders the programs ask for by number.
//
//   number  name                   Linux folder
//   0       DESKTOP                $XDG_DESKTOP_DIR or ~/Desktop
//   5       PERSONAL               $XDG_DOCUMENTS_DIR or ~/Documents
//   26      APPDATA                $XDG_DATA_HOME or ~/.local/share
//   28      LOCAL_APPDATA          $XDG_STATE_HOME or ~/.local/state
//   32      INTERNET_CACHE         $XDG_CACHE_HOME or ~/.cache
//   33      COOKIES                <APPDATA>/cookies
//   34      HISTORY                <LOCAL_APPDATA>/history
//   35      COMMON_APPDATA         <root>/var/lib
//   36      WINDOWS                <root>/etc
//   37      SYSTEM                 <root>/usr/lib
//   38      PROGRAM_FILES          <root>/opt
//   39      MYPICTURES             $XDG_PICTURES_DIR or ~/Pictures
//   43      PROGRAM_FILES_COMMON   <root>/usr/share
//   46      COMMON_DOCUMENTS       <root>/srv
//   47      COMMON_ADMINTOOLS      <root>/usr/sbin
//   48      ADMINTOOLS             ~/.local/bin
//
// <root> is empty (the real root) unless CORVANE_ROOT names another folder, which is
// how tests give every machine-wide file a sandbox of its own. Per-user folders follow
// HOME and the XDG variables. Folders come back without a trailing separator and are
// not created.
#include <optional>
#include <string>

namespace platform {

// The numbers asked for by name (the table above).
inline constexpr int kAppDataFolder = 26;
inline constexpr int kLocalAppDataFolder = 28;
inline constexpr int kCommonAppDataFolder = 35;

// The folder for a special-folder number, or nothing for an unknown number or when the
// folder cannot be determined (no HOME for a per-user folder).
std::optional<std::wstring> GetSpecialFolderPath(int number);

// The machine root prefix: CORVANE_ROOT without trailing "/", or empty.
std::wstring MachineRoot();

// The temporary folder with a trailing "/": $TMPDIR or /tmp.
std::wstring GetTempFolderPath();

}  // namespace platform
