#pragma once
// Forwards to the text-number conversions' own header, below every layer.
#include "core/convert.h"
