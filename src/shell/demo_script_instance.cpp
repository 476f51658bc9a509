// demo_script_instance.cpp -- the process-wide DemoScript, constructed before the entry function
#include "src/shell/demo_script.h"

DemoScript demoScript;
