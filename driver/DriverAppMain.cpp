// The driver's part of the module start at DRV_LOAD: nothing to set up.
#include "gui/EntryPoints.h"

int AppMain() { return 0; }
