// The main window's default-text table: its own keys and the shared vocabulary it registers, with
// their English texts, in the order of registration (keys added later come last).
#pragma once

#include "gui/appearance/kovaprovider.h"

#include <span>

std::span<const DefaultText> mainWindowTexts();
// The text of one of the main window's keys: the provider's language when it has one, else the
// English default.
QString mainWindowText(const TkovaProvider &provider, const QString &key);
