#pragma once

#include "platform/SilentAbort.h"
