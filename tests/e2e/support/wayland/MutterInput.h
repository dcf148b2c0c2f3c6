#pragma once

#include <string>

#include "Input.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace e2e {

// Input entering GNOME's compositor (mutter) as a device's would: a remote-desktop
// session over its D-Bus interface, made once for the whole session. Each report is one
// method call, a move sent without waiting for the reply, so a thousand a second keep
// pace; keys and buttons wait for it, so a refused one fails the test.
class MutterInput : public Input {
public:
    // `bus`: the address of the session bus mutter serves. Throws std::runtime_error
    // when no session can be started.
    MutterInput(Display* display, const std::string& bus);
    ~MutterInput() override;

    void moveBy(int dx, int dy) override;
    void button(unsigned button, bool pressed) override;
    void key(KeySym key, bool pressed) override;

private:
    // Calls a method of the session; waits for mutter's answer when `wait`.
    void call(const char* method, GVariant* arguments, bool wait = false);

    GDBusConnection* bus_ = nullptr;
    std::string session_;  // the session's object path
};

}  // namespace e2e
