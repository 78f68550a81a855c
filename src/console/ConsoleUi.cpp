#include "console/ConsoleUi.h"
