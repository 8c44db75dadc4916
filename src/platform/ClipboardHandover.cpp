#include "ClipboardHandover.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection)
{
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply ? reply->owner : XCB_NONE;
}
} // namespace

void handClipboardToManager(std::chrono::milliseconds limit)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!clipboard || !x11 || !clipboard->ownsClipboard())
        return;
    xcb_connection_t* c = x11->connection();
    const xcb_atom_t manager = internAtom(c, "CLIPBOARD_MANAGER");
    if (manager == XCB_NONE || selectionOwner(c, manager) == XCB_NONE)
        return;
    // The request comes from Qt's own selection window, the clipboard's
    // owner, so the manager's questions about the content reach Qt, which
    // answers them as usual while events run below.
    const xcb_window_t owner = selectionOwner(c, internAtom(c, "CLIPBOARD"));
    const xcb_atom_t property = internAtom(c, "VANDRELL_SAVE_TARGETS");
    xcb_delete_property(c, owner, property);
    xcb_convert_selection(c, owner, manager, internAtom(c, "SAVE_TARGETS"), property, XCB_CURRENT_TIME);
    xcb_flush(c);

    // Once it has copied everything, the manager takes the clipboard over.
    QTimer wakeUp;
    wakeUp.start(20);
    const QDeadlineTimer deadline(limit);
    while (clipboard->ownsClipboard() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
}
