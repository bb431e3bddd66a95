#pragma once
#include "library/run.h"
