#pragma once

#include <QString>
#include <functional>

// The three well-known folders the program settles its own folders under.
enum class TShellFolder { CommonAppData, LocalAppData, Personal };

// Answers the base path of a well-known folder (no trailing separator needed).
// The default maps them onto the XDG layout; tests install one over temporary folders.
using TShellFolderResolver = std::function<QString(TShellFolder)>;

// /var/lib, $XDG_DATA_HOME (~/.local/share) and the XDG documents folder.
QString DefaultShellFolderPath(TShellFolder folder);

// The token between the "%" signs ("CSIDL_COMMON_APPDATA", ...) as a folder; false when unknown.
bool ShellFolderFromToken(const QString &token, TShellFolder &folder);

// Turns "%TOKEN%/rest" into the token's folder followed by rest; one leading separator of
// rest ("/" or "\") is dropped. Text without a "%...%" prefix is taken as a path itself.
// With create, the base folder and then the whole path are created with all missing parents;
// a folder that cannot be created is not reported. The result always ends in "/".
// An unknown token raises Exception: the caller would otherwise get a relative path.
QString ExpandShellFolder(const QString &path, bool create, const TShellFolderResolver &resolver);
