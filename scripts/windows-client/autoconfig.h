// Configuration of the MinGW-w64 build: upstream's Windows one, less what
// this build leaves out.
#ifndef ZELMOR_FBCLIENT_AUTOCONFIG_H
#define ZELMOR_FBCLIENT_AUTOCONFIG_H
#include "autoconfig_msvc.h"
// No zlib for MinGW here: the client then offers no wire compression, which
// is off by default anyway.
#undef HAVE_ZLIB_H
#endif
