#include "Form.h"

#include "AppFiles.h"
#include "ByteText.h"

namespace quenno::shell {

Form::Form(const platform::Platform& platform, const QString& objectName, const QString& caption, QSize clientSize,
           TitleButtons buttons)
    : QWidget(nullptr), m_platform(platform)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(clientSize);
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    switch (buttons) {
    case TitleButtons::MinimizeClose:
        flags |= Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
        break;
    case TitleButtons::Close:
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        break;
    case TitleButtons::None:
        break;
    }
    setWindowFlags(flags);
}

void Form::PlaySound(const QString& fullPath)
{
    if (m_platform.sound)
        m_platform.sound->play(fullPath);
}

QString Form::appPath(const char* name) const
{
    if (!m_platform.files)
        return {};
    return TextOfBytes(m_platform.files->inApplicationFolder(name));
}

QString Form::dataPath(const char* name) const
{
    if (!m_platform.files)
        return {};
    return TextOfBytes(m_platform.files->inDataFolder(name));
}

void Form::Enter(const PictureButton& button, std::initializer_list<const PictureButton*> neighbours,
                 NeighbourRest order)
{
    button.light();
    for (const PictureButton* neighbour : neighbours) {
        if (order == NeighbourRest::RestingShownFirst) {
            neighbour->toRest();
        } else {
            neighbour->hover->setVisible(false);
            neighbour->rest->setVisible(true);
        }
    }
    PlaySound(appPath(appfiles::MenuCommandSound));
}

}  // namespace quenno::shell
