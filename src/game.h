// The whole program's rooms at once, for main.cpp, the network's sessions
// and the tests. The rooms a tick runs include match.h alone.
#pragma once

#include "assets.h"
#include "draw.h"
#include "loop.h"
#include "match.h"
#include "picture.h"
#include "screens.h"
#include "sound.h"
#include "startup.h"
