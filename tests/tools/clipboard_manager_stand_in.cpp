// A small clipboard manager for tests on a virtual X server: it owns the
// CLIPBOARD_MANAGER selection, and when a program that owns the clipboard
// asks it to SAVE_TARGETS (as Qt does when it shuts down), it copies every
// target of the clipboard and then serves them as the clipboard's new owner.
// It prints "ready" once it owns the manager selection and ends on SIGTERM.

#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Owned = std::unique_ptr<T, FreeDeleter>;

struct Stored {
    xcb_atom_t type = XCB_NONE;
    std::uint8_t format = 8;
    std::vector<std::uint8_t> bytes;
};

class Manager {
public:
    explicit Manager(xcb_connection_t* c) : m_c(c)
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        m_window = xcb_generate_id(c);
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          screen->root_visual, XCB_CW_EVENT_MASK, &mask);
        m_manager = atom("CLIPBOARD_MANAGER");
        m_saveTargets = atom("SAVE_TARGETS");
        m_clipboard = atom("CLIPBOARD");
        m_targets = atom("TARGETS");
        m_multiple = atom("MULTIPLE");
        m_timestamp = atom("TIMESTAMP");
        m_incr = atom("INCR");
        m_null = atom("NULL");
        m_transfer = atom("STAND_IN_TRANSFER");
    }

    bool claimManagerSelection()
    {
        xcb_set_selection_owner(m_c, m_window, m_manager, XCB_CURRENT_TIME);
        Owned<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, m_manager), nullptr));
        return owner && owner->owner == m_window;
    }

    void run()
    {
        for (;;) {
            Owned<xcb_generic_event_t> event;
            if (!m_queued.empty()) {
                event.reset(m_queued.front());
                m_queued.pop_front();
            } else {
                event.reset(xcb_wait_for_event(m_c));
            }
            if (!event)
                return; // the server went away
            switch (event->response_type & 0x7f) {
            case XCB_SELECTION_REQUEST:
                answer(*reinterpret_cast<xcb_selection_request_event_t*>(event.get()));
                break;
            case XCB_SELECTION_CLEAR: {
                const auto* clear = reinterpret_cast<xcb_selection_clear_event_t*>(event.get());
                if (clear->selection == m_manager)
                    return;
                if (clear->selection == m_clipboard)
                    m_saved.clear();
                break;
            }
            default:
                break;
            }
        }
    }

private:
    xcb_atom_t atom(const char* name)
    {
        Owned<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    // Asks the clipboard's owner for one target and waits (bounded) for it.
    bool fetch(xcb_atom_t target, Stored& out)
    {
        xcb_delete_property(m_c, m_window, m_transfer);
        xcb_convert_selection(m_c, m_window, m_clipboard, target, m_transfer, XCB_CURRENT_TIME);
        xcb_flush(m_c);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
                if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
                    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
                    const bool ok = notify->property != XCB_NONE;
                    std::free(event);
                    return ok && readTransfer(out);
                }
                m_queued.push_back(event);
            }
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero() || xcb_connection_has_error(m_c))
                return false;
            pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
            poll(&fd, 1, int(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()) + 1);
        }
    }

    bool readTransfer(Stored& out)
    {
        Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 1, m_window, m_transfer, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 22), nullptr));
        if (!reply || reply->type == m_incr || reply->type == XCB_NONE)
            return false; // large transfers are beyond what tests copy
        out.type = reply->type;
        out.format = reply->format;
        const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
        out.bytes.assign(data, data + xcb_get_property_value_length(reply.get()));
        return true;
    }

    void save()
    {
        m_saved.clear();
        Stored targets;
        if (!fetch(m_targets, targets) || targets.format != 32)
            return;
        std::vector<xcb_atom_t> offered(targets.bytes.size() / 4);
        std::memcpy(offered.data(), targets.bytes.data(), offered.size() * 4);
        for (xcb_atom_t target : offered) {
            if (target == m_targets || target == m_multiple || target == m_timestamp || target == m_saveTargets)
                continue;
            Stored value;
            if (fetch(target, value))
                m_saved[target] = std::move(value);
        }
        if (!m_saved.empty())
            xcb_set_selection_owner(m_c, m_window, m_clipboard, XCB_CURRENT_TIME);
    }

    void answer(const xcb_selection_request_event_t& request)
    {
        xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
        if (request.selection == m_manager && request.target == m_saveTargets) {
            save();
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property, m_null, 32, 0, nullptr);
        } else if (request.selection == m_clipboard && request.target == m_targets) {
            std::vector<xcb_atom_t> list{m_targets};
            for (const auto& entry : m_saved)
                list.push_back(entry.first);
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                                std::uint32_t(list.size()), list.data());
        } else if (auto it = m_saved.find(request.target); request.selection == m_clipboard && it != m_saved.end()) {
            const Stored& value = it->second;
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, request.requestor, property, value.type, value.format,
                                std::uint32_t(value.bytes.size() / (value.format / 8)), value.bytes.data());
        } else {
            property = XCB_NONE;
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(m_c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
        xcb_flush(m_c);
    }

    xcb_connection_t* m_c;
    xcb_window_t m_window;
    xcb_atom_t m_manager, m_saveTargets, m_clipboard, m_targets, m_multiple, m_timestamp, m_incr, m_null, m_transfer;
    std::map<xcb_atom_t, Stored> m_saved;
    std::deque<xcb_generic_event_t*> m_queued;
};

} // namespace

int main()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot reach the X server\n");
        return 1;
    }
    Manager manager(c);
    if (!manager.claimManagerSelection()) {
        std::fprintf(stderr, "another clipboard manager is running\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    manager.run();
    xcb_disconnect(c);
    return 0;
}
