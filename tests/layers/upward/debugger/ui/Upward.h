// A debugger window that reaches up into the shell: the layer check refuses it.
#pragma once

#include "link/Below.h"
#include "shell/Settings.h"
