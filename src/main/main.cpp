#include "main/driver.h"

int main() { return run(); }
