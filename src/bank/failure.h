#pragma once
// Forwards to the failure family's own header, where the failure list now lives.
#include "core/failure.h"
