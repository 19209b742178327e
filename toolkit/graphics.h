// The framework's graphics objects (fonts, brushes, pens, canvases over cached GDI
// handles) live below the image engine, in platform/graphics, so that the engine's canvas
// and font can derive from them; this header gathers them for the controls.
#pragma once
#include "platform/graphics/canvas.h"
#include "toolkit/types.h"
