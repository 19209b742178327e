// The framework's controls: include this for all of them.
#pragma once
#include "toolkit/control.h"
#include "toolkit/control_canvas.h"
#include "toolkit/win_control.h"
