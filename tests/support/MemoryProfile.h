#pragma once
#include "settings/MemoryProfile.h"
