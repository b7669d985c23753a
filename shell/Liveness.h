#pragma once
// Whether an object is still there after a call that let events run. On the one
// user-interface thread any such call (the event pump, a message box, a modal dialog, a
// checksum or an animation load that pumps) may close and destroy the screen that made it;
// code below it on the stack must not touch the screen again. Every screen has one in its
// Form base (Form::watch()); another object that makes such calls holds one as its last
// member, so that it is marked before anything else of the object goes. The code takes a
// Watch before the call and asks alive() after it:
//
//     const shell::Liveness::Watch self = watch();
//     m_platform.messages->show(...);
//     if (!self.alive())
//         return;
//
// A Watch may outlive the object (a callback kept by the tray, a run on the stack): it
// holds only the shared flag. One user-interface thread: nothing here is atomic.

#include <memory>

namespace quenno::shell {

class Liveness {
public:
    class Watch {
    public:
        bool alive() const { return *m_flag; }

    private:
        friend class Liveness;
        explicit Watch(std::shared_ptr<const bool> flag) : m_flag(std::move(flag)) { }
        std::shared_ptr<const bool> m_flag;
    };

    Liveness() = default;
    ~Liveness() { *m_flag = false; }
    Liveness(const Liveness&) = delete;
    Liveness& operator=(const Liveness&) = delete;

    Watch watch() const { return Watch(m_flag); }

private:
    std::shared_ptr<bool> m_flag = std::make_shared<bool>(true);
};

}  // namespace quenno::shell
