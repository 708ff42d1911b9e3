// The stored language and texture, applied at the main window's first activation, after the
// windows have been registered with the language component and the texture image; and the rule
// that keeps every language or texture name inside its folder.
#pragma once

#include <QString>

class TKovaImage;
class TKovaLanguage;
class Tconfig;

// The folders beside the program that hold the language files and the textures.
inline constexpr const char *kLanguageFolder = "Language";
inline constexpr const char *kBackgroundFolder = "Background";

// The Windows path programDir\folder\name when a regular file lies there and inside that folder;
// empty otherwise. Names are stored and listed relative to their folder, so a name that would
// reach outside it (a ".." step, an absolute or drive path, or a link inside the folder that
// leads out) designates no file, exactly as a name whose file is missing.
QString ConfinedFile(const QString &programDir, const char *folder, const QString &name);

// The Language setting names a language file relative to programDir\Language. Empty, or a file
// that no longer exists, lies outside the folder or cannot be read, gives English (LoadDefaults;
// the setting is not changed); otherwise the file is loaded (LoadLanguage).
void ApplyLanguageSetting(Tconfig &config, TKovaLanguage &language, const QString &programDir);

// The Background setting names a texture file relative to programDir\Background. Empty
// stores Empty true into the image; a file that exists inside the folder is loaded
// (LoadFromFile); a name whose file is gone or lies outside changes nothing, so the windows stay
// plain.
void ApplyBackgroundSetting(Tconfig &config, TKovaImage &image, const QString &programDir);

// True when a regular file exists at the Windows path.
bool WindowsFileExists(const QString &windowsPath);
