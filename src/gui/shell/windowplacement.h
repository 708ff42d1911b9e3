// The building blocks of the panel's windows live with the textured panels in appearance/; the
// shell's windows include them under this name.
#pragma once

#include "gui/appearance/windowparts.h"
