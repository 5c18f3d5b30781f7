#pragma once

#include "platform/ShellFolders.h"

#include <QString>

// The resolver ExpandShellFolder asks for the well-known folders. An empty resolver (the
// default) uses DefaultShellFolderPath; tests install one over temporary folders.
void SetShellFolderResolver(TShellFolderResolver resolver);
const TShellFolderResolver &GetShellFolderResolver();

// "%CSIDL_...%/rest" resolved through the installed resolver; see the platform function.
QString ExpandShellFolder(const QString &path, bool create);

// Whether a file can be created, written and deleted in the folder: creates "test.txt" there,
// writes the line "test", closes and deletes it. Any failure gives false, also an existing
// "test.txt" (which is neither followed, truncated nor removed); the file the test created is
// removed again even when writing it failed.
bool TestWriteAccessIn(const QString &folder);

// The folder of the running program's real file (symbolic links resolved), ending in "/".
QString ExecutableDir();
