// The main window's default-text table: its own keys and the shared vocabulary it registers, with
// their English texts, in the order of registration (keys added later come last).
#pragma once

#include "gui/appearance/kovaprovider.h"

#include <span>

std::span<const DefaultText> mainWindowTexts();
