#include "round_layers/round_layers.h"
