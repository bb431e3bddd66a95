// What a tool is told: tools may see it.
#pragma once
