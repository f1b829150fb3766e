/* In C, as the keyboard extension's header is: it names a member explicit. */
#include "DetectableRepeat.h"

#include <xcb/xkb.h>

void AskForDetectableRepeat(xcb_connection_t *connection)
{
    /* A request of an extension the server lacks makes libxcb close the
       connection; without XKB, held keys repeat as the server has them. */
    const xcb_query_extension_reply_t *const xkb = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!xkb || !xkb->present)
        return;
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    xcb_discard_reply(connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD,
                                                           flag, flag, 0, 0, 0)
                                      .sequence);
}
