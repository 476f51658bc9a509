// demo_script_instance.cpp -- the definition of the process-wide DemoScript
#include "src/script/demo_script_instance.h"

DemoScript demoScript;
