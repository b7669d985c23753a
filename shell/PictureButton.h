#pragma once
// A picture button: a resting picture and, at the same spot, a hover picture (named like
// the resting one with "b" appended) that takes the click. An option switch is the same
// pair read as off/on: the option is on exactly when its second picture is visible.

#include "Picture.h"

#include <initializer_list>

namespace quenno::shell {

struct PictureButton {
    Picture* rest = nullptr;
    Picture* hover = nullptr;

    // Show the resting picture, then hide the hover picture.
    void toRest() const;
    // Hide the resting picture, then show the hover picture.
    void light() const;
    bool lit() const;  // the hover (or "on") picture is visible
};

// Puts each pair back to rest, in the order given (a background picture's Reset).
void Reset(std::initializer_list<const PictureButton*> pairs);

}  // namespace quenno::shell
