// A host function that reads the parser's program: the check must refuse it.
#pragma once
#include "preview/parse/program.h"
