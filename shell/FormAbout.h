#pragma once
// The About screen: the about picture with Credits and OK. Credits switches to the credits
// background, plays the credits movie ("About.ocx") looping in its area and then the music
// ("music.mp3"); a missing or unplayable file leaves its part silent, without a message.
// OK closes the screen; closing it stops both players.

#include "Form.h"
#include "Picture.h"
#include "PictureButton.h"

#include <memory>

namespace quenno::shell {

class FormAbout final : public Form {
    Q_OBJECT
public:
    explicit FormAbout(const platform::Platform& platform);
    ~FormAbout() override;

    // The movie player's area (`ShockwaveFlash1`).
    QWidget* movieArea() const { return m_movieArea; }
    bool inCredits() const { return m_inCredits; }

    void Form_Load();
    void IAboutCreditsb_Click();
    void IAboutOkb_Click();
    void IAboutCredits_MouseMove();
    void IAboutOk_MouseMove();
    void Image1_MouseMove();
    void IAboutCopy_MouseMove();
    void Image2_MouseMove();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void stopPlayers();

    Picture* m_image2 = nullptr;
    Picture* m_image1 = nullptr;
    Picture* m_copy = nullptr;
    PictureButton m_credits;
    PictureButton m_ok;
    QWidget* m_movieArea = nullptr;
    std::unique_ptr<platform::MoviePlayer> m_movie;
    std::unique_ptr<platform::MediaPlayer> m_music;
    bool m_inCredits = false;
};

}  // namespace quenno::shell
