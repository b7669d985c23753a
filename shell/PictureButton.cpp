#include "PictureButton.h"

namespace quenno::shell {

void PictureButton::toRest() const
{
    rest->setVisible(true);
    hover->setVisible(false);
}

void PictureButton::light() const
{
    rest->setVisible(false);
    hover->setVisible(true);
}

bool PictureButton::lit() const { return hover->isVisibleTo(hover->parentWidget()); }

void Reset(std::initializer_list<const PictureButton*> pairs)
{
    for (const PictureButton* pair : pairs)
        pair->toRest();
}

}  // namespace quenno::shell
