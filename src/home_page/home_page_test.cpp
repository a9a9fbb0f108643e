#include "home_page/home_page.h"
