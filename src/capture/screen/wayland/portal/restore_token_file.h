// The remembered screen share: the restore token a Wayland desktop's
// screen-sharing portal hands out once the user allows sharing and ticks its
// "remember" box, kept in one small file so that the next start is granted
// without the dialog. Plain files only, no D-Bus: the portal session decides
// when to read, save or forget.
//
// The file holds the token and a newline. A token is only ever taken from it,
// or saved to it, when it is a well-formed UUID string, which is all the portal
// accepts; anything else in the file is reported as bad and never sent.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_RESTORE_TOKEN_FILE_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_RESTORE_TOKEN_FILE_H_

#include <string>

// Where the token is kept: stateHome/bottlewatch/restore-token, stateHome being
// XDG_STATE_HOME when that is an absolute path, else home/.local/state. Empty
// when neither gives an absolute path (there is then nowhere to keep it).
// Either argument may be null, as getenv gives them.
std::string RestoreTokenPath(const char* stateHome, const char* home);

// Whether text is a UUID string (8-4-4-4-12 hexadecimal digits).
bool IsRestoreToken(const std::string& text);

enum class TokenFile {
  kMissing,  // no file: nothing remembered
  kFound,    // token holds the remembered token
  kBad,      // unreadable, or not a token; problem says why
};

// Reads the token kept at path. token is set only for kFound, problem only for
// kBad (a line naming the file and what is wrong with it).
TokenFile ReadRestoreToken(const std::string& path, std::string& token, std::string& problem);

// Replaces the kept token with token, creating the folders on the way with
// mode 0700 where they are missing; the file is 0600. The new file is written
// and flushed beside the old one and renamed over it, so a crash or a full disk
// leaves the old token or the new one, never part of one. False, with problem
// set, when it could not be saved (the old file is then left as it was).
bool SaveRestoreToken(const std::string& path, const std::string& token, std::string& problem);

// Removes the kept token; a missing file is no failure. False, with problem
// set, when the file stays.
bool ForgetRestoreToken(const std::string& path, std::string& problem);

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_RESTORE_TOKEN_FILE_H_
