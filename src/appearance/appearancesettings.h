// The stored language and texture, applied at the main window's first activation, after the
// windows have been registered with the language component and the texture image.
#pragma once

#include <QString>

class TKovaImage;
class TKovaLanguage;
class Tconfig;

// The setting "Language" names a language file relative to programDir\Language. Empty, or a file
// that no longer exists or cannot be read, gives English (LoadDefaults; the setting is not
// changed); otherwise the file is loaded (LoadLanguage).
void ApplyLanguageSetting(Tconfig &config, TKovaLanguage &language, const QString &programDir);

// The setting "Background_bmp" names a texture file relative to programDir\Background. Empty
// stores Empty true into the image; a file that exists is loaded (LoadFromFile); a name whose
// file is gone changes nothing, so the windows stay plain.
void ApplyBackgroundSetting(Tconfig &config, TKovaImage &image, const QString &programDir);

// True when a regular file exists at the Windows path.
bool WindowsFileExists(const QString &windowsPath);
