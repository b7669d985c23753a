#include "QtSound.h"

#include <QAudioDevice>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace quenno::platform {

QtSound::QtSound(std::function<bool()> serverReachable) : m_serverReachable(std::move(serverReachable)) { }
QtSound::~QtSound() = default;

bool QtSound::looksLikeWave(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

void QtSound::play(const QString& path)
{
    if (m_effect)
        m_effect->stop();
    if (m_output == Output::Absent || !looksLikeWave(path))
        return;
    if (m_output == Output::Unknown) {
        m_output = (!m_serverReachable || m_serverReachable()) && !QMediaDevices::audioOutputs().isEmpty()
            ? Output::Present
            : Output::Absent;
        if (m_output == Output::Absent)
            return;
        m_effect = std::make_unique<QSoundEffect>();
    }
    const QUrl source = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (m_effect->source() != source)
        m_effect->setSource(source);
    m_effect->play();
}

}  // namespace quenno::platform
