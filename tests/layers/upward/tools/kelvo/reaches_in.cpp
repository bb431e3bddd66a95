// A tool that writes the translator's state itself: the check must refuse it.
#include "core/state.h"

void reach_in() { kelvo::state.in_script = true; }
