// An adapter header that includes only layers below it: scripts/check-layers.sh accepts it.
#pragma once
#include "base/mutex.h"
#include "plug/IPlugBase.h"
