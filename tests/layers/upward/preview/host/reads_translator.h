// A host function that reads the translator's run: only linked/ may, so the
// check must refuse it.
#pragma once
#include "library/run.h"
