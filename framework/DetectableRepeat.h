/* Asks the X server to repeat a held key as presses alone, with no release
   between, for this connection only: the user's keyboard settings stay. */
#pragma once

#include <xcb/xcb.h>

#ifdef __cplusplus
extern "C" {
#endif

void AskForDetectableRepeat(xcb_connection_t *connection);

#ifdef __cplusplus
}
#endif
