// The settings routines live below every area that stores settings.
#pragma once

#include "platform/SettingsRegistry.h"
