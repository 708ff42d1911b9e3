// The main window's default-text table: its own keys and the shared vocabulary it registers, with
// their English texts, in the order of registration (keys added later come last).
#pragma once

#include "appearance/kovaprovider.h"

#include <span>

std::span<const DefaultText> mainWindowTexts();
