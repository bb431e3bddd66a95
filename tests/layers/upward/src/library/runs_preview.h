// The translator running the preview host: the check must refuse it.
#pragma once
#include "preview/preview.h"
