// The translator's state: no tool may see it.
#pragma once
