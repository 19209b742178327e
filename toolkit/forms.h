// Forms, the application, the screen and hints: include this for all of them.
#pragma once
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/hint.h"
#include "toolkit/screen.h"
