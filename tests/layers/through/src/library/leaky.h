// A header of the library that lets the state through.
#pragma once
#include "core/listener.h"
#include "core/state.h"
