#pragma once
#include "app/MemoryProfile.h"
