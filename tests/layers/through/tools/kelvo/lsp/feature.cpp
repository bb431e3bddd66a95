// A tool that reaches the state through two headers it may include.
#include "local.h"
