// The program folder: the folder of the executable when the programs run from a build folder,
// and a folder of the user's own inside the prefix when they are installed (as Wine installs
// programs inside its prefix), holding the user's lists and links to the installed programs and
// data.
#pragma once

#include <QString>
#include <QStringList>

namespace win {

// The installed data folder (Language/, Background/, Help/, ext.lst) that belongs to programs in
// binDir, or empty when binDir is no installed program folder (a build folder, a copy elsewhere).
QString InstalledDataDir(const QString &binDir);

// The programs an installed program folder links to, and the data it links to or copies.
QStringList InstalledProgramNames();

// Makes or refreshes the per-user program folder: a link to each installed program found in
// binDir and to each data folder of dataDir, and a copy of dataDir's ext.lst when the user has
// none yet (the user edits it). Something of the user's own that stands where a link belongs is
// left alone; a link that points elsewhere (the package moved) is replaced. False with a reason
// when the folder cannot be made.
bool EnsureUserProgramDir(const QString &folder, const QString &binDir, const QString &dataDir,
                          QString *error = nullptr);

// The per-user program folder of the current prefix.
QString UserProgramDir();

// The host folder that ProgramDir names: the executable's folder, or, for an installed program,
// the per-user folder, made or refreshed once per prefix and process.
QString ProgramHostDir();

} // namespace win
