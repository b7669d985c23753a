#pragma once
// A notification area that keeps the icon, the tip and the click handler it was given, so
// that a test can look at them and send the icon's messages itself.

#include "platform/Tray.h"

namespace quenno::test {

class FakeTray final : public platform::Tray {
public:
    bool available() const override { return isAvailable; }
    bool add(const QIcon& newIcon, const QString& newTip, std::function<void(int)> handler) override;
    void remove() override;
    bool visible() const override { return shown; }

    bool isAvailable = true;  // false: a desktop without a notification area
    bool shown = false;
    QIcon icon;
    QString tip;
    std::function<void(int)> onMessage;
    int removals = 0;
};

}  // namespace quenno::test
