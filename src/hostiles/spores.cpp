#include "hostiles/spores.h"

int32_t sporeSpeed = 1;
