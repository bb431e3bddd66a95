// A header of the tool's own that includes a leaky one.
#pragma once
#include "library/leaky.h"
