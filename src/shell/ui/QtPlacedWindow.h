// The Qt window's placement adapter lives beside the other Qt adapters.
#pragma once

#include "platform/qt/QtPlacedWindow.h"
