#include "FakeTray.h"

namespace quenno::test {

bool FakeTray::add(const QIcon& newIcon, const QString& newTip, std::function<void(int)> handler)
{
    if (!isAvailable)
        return false;
    icon = newIcon;
    tip = newTip;
    onMessage = std::move(handler);
    shown = true;
    return true;
}

void FakeTray::remove()
{
    ++removals;
    shown = false;
    onMessage = nullptr;
}

}  // namespace quenno::test
