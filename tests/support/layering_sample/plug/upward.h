// A plug-in layer header that reaches the editor: scripts/check-layers.sh must reject it.
#pragma once
#include "plug/IParam.h"
#include "graphics/IGraphics.h"
