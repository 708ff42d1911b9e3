// The building blocks of the panel's windows now live with the textured panels, so that windows
// outside the shell use them too; the shell's files keep their include.
#pragma once

#include "appearance/windowparts.h"
