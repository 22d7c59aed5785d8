#pragma once

#include "platform/FileIo.h"
