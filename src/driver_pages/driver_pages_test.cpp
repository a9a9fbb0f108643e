#include "driver_pages/driver_pages.h"
