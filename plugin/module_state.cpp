#include "plugin/module_state.h"

ModuleState g_module;
