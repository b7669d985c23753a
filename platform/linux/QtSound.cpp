#include "QtSound.h"

#include <QAudioDevice>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <unistd.h>

namespace quenno::platform {

namespace {

// Qt plays sound through a PulseAudio server (PipeWire provides one too).
bool soundServerReachable()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStringLiteral("/run/user/%1").arg(::getuid());
    return QFileInfo::exists(runtime + QStringLiteral("/pulse/native"))
           || QFileInfo::exists(QStringLiteral("/run/pulse/native"));
}

} // namespace

QtSound::QtSound() = default;
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
        m_output = soundServerReachable() && !QMediaDevices::audioOutputs().isEmpty() ? Output::Present
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

} // namespace quenno::platform
