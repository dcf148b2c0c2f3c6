#include "MutterInput.h"

#include <gio/gio.h>

#include <stdexcept>

#include "EvdevButton.h"

namespace e2e {
namespace {
const char* const service = "org.gnome.Mutter.RemoteDesktop";
const char* const sessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr int callLimitMs = 10000;

std::string takeMessage(GError* error) {
    const std::string text = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
    return text;
}

}  // namespace

MutterInput::MutterInput(Display* display, const std::string& bus) : Input(display) {
    GError* error = nullptr;
    bus_ = g_dbus_connection_new_for_address_sync(
        bus.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (bus_ == nullptr) throw std::runtime_error("cannot reach mutter's bus: " + takeMessage(error));
    GVariant* reply = g_dbus_connection_call_sync(bus_, service, "/org/gnome/Mutter/RemoteDesktop", service,
                                                  "CreateSession", nullptr, G_VARIANT_TYPE("(o)"),
                                                  G_DBUS_CALL_FLAGS_NONE, callLimitMs, nullptr, &error);
    if (reply == nullptr) throw std::runtime_error("mutter made no remote-desktop session: " + takeMessage(error));
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    session_ = path;
    g_variant_unref(reply);
    call("Start", nullptr, true);
    confirmMovesThroughX();
}

MutterInput::~MutterInput() {
    if (bus_ == nullptr) return;
    GError* error = nullptr;
    g_dbus_connection_flush_sync(bus_, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    g_object_unref(bus_);
}

void MutterInput::call(const char* method, GVariant* arguments, bool wait) {
    GError* error = nullptr;
    if (wait) {
        GVariant* reply = g_dbus_connection_call_sync(bus_, service, session_.c_str(), sessionInterface, method,
                                                      arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, callLimitMs,
                                                      nullptr, &error);
        if (reply == nullptr) throw std::runtime_error(std::string(method) + " failed: " + takeMessage(error));
        g_variant_unref(reply);
        return;
    }
    GDBusMessage* message = g_dbus_message_new_method_call(service, session_.c_str(), sessionInterface, method);
    if (arguments != nullptr) g_dbus_message_set_body(message, arguments);
    g_dbus_message_set_flags(message, G_DBUS_MESSAGE_FLAGS_NO_REPLY_EXPECTED);
    const bool sent = g_dbus_connection_send_message(bus_, message, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr, &error);
    g_object_unref(message);
    if (sent) g_dbus_connection_flush_sync(bus_, nullptr, &error);
    if (!sent || error != nullptr) throw std::runtime_error(std::string(method) + " not sent: " + takeMessage(error));
}

void MutterInput::moveBy(int dx, int dy) {
    call("NotifyPointerMotionRelative", g_variant_new("(dd)", static_cast<double>(dx), static_cast<double>(dy)));
}

void MutterInput::button(unsigned button, bool pressed) {
    call("NotifyPointerButton", g_variant_new("(ib)", evdevButton(button), pressed ? TRUE : FALSE), true);
}

void MutterInput::key(KeySym key, bool pressed) {
    call("NotifyKeyboardKeysym", g_variant_new("(ub)", static_cast<guint32>(key), pressed ? TRUE : FALSE), true);
}

}  // namespace e2e
