// The shell's logic may use what is below it.
#pragma once

#include "debugger/Names.h"
