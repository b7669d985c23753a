#include "Media.h"

#include "GifWriter.h"
#include "Theme.h"
#include "shell/AppFiles.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace quenno::assets {

namespace {

constexpr int kRate = 22050;

// --- Sound ---------------------------------------------------------------------------------

struct Note {
    double start;  // seconds
    double length;  // seconds
    double frequency;  // hertz
    double volume;  // 0..1
    double brightness = 0.3;  // share of the second and third harmonics
};

// Mixes bell-like notes: a short attack, then an exponential fade.
std::vector<double> mix(const std::vector<Note>& notes, double seconds)
{
    std::vector<double> samples(static_cast<std::size_t>(seconds * kRate), 0.0);
    for (const Note& note : notes) {
        const auto first = static_cast<std::size_t>(note.start * kRate);
        const auto count = static_cast<std::size_t>(note.length * kRate);
        for (std::size_t i = 0; i < count && first + i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double attack = std::min(1.0, t / 0.006);
            const double release = std::min(1.0, (note.length - t) / 0.02);
            const double envelope = attack * release * std::exp(-t * 5.0 / note.length);
            const double w = 2 * std::numbers::pi * note.frequency * t;
            const double tone = std::sin(w) + note.brightness * (0.5 * std::sin(2 * w) + 0.25 * std::sin(3 * w));
            samples[first + i] += note.volume * envelope * tone;
        }
    }
    return samples;
}

QByteArray wave(const std::vector<double>& samples)
{
    double peak = 0.0;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    const double scale = peak > 0 ? 0.8 * 32767 / peak : 0.0;
    QByteArray data;
    data.reserve(static_cast<qsizetype>(samples.size() * 2));
    for (double s : samples) {
        const auto v = static_cast<qint16>(std::lround(s * scale));
        data.append(static_cast<char>(v & 0xFF));
        data.append(static_cast<char>((v >> 8) & 0xFF));
    }
    auto put32 = [](QByteArray& out, quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [](QByteArray& out, quint16 v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>(v >> 8));
    };
    QByteArray out("RIFF");
    put32(out, static_cast<quint32>(36 + data.size()));
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.append("data");
    put32(out, static_cast<quint32>(data.size()));
    out.append(data);
    return out;
}

double midi(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// A short looping tune: a melody over a walking bass, about twenty seconds.
std::vector<double> tune()
{
    const double beat = 0.3;
    static constexpr int melody[] = {72, 76, 79, 76, 77, 81, 79, 77, 76, 79, 84, 83, 81, 79, 77, 76,
                                     74, 77, 81, 79, 77, 76, 74, 72, 71, 74, 79, 77, 76, 74, 72, 72};
    static constexpr int bass[] = {48, 55, 53, 48, 45, 50, 43, 48};
    std::vector<Note> notes;
    double t = 0.2;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < std::size(melody); ++i) {
            const bool last = i + 1 == std::size(melody);
            notes.push_back(
                {t + static_cast<double>(i) * beat, last ? beat * 4 : beat * 1.6, midi(melody[i]), 0.45, 0.35});
        }
        for (std::size_t i = 0; i < std::size(bass); ++i)
            notes.push_back({t + static_cast<double>(i) * beat * 4, beat * 4.2, midi(bass[i]), 0.5, 0.6});
        t += static_cast<double>(std::size(melody)) * beat + beat * 2;
    }
    return mix(notes, t + 1.0);
}

// --- Pictures in motion ---------------------------------------------------------------------

QImage progressFrame(int frame, int frames)
{
    QImage image(152, 93, QImage::Format_RGB32);
    image.fill(colour::navyDeep);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawPlate(p, QRectF(2, 2, 148, 89), 10, QColor(20, 44, 72), QColor(8, 18, 34), QColor(50, 130, 160));
    // Radar: rings and a sweeping beam with a fading tail.
    const QPointF centre(38, 44);
    const double radius = 28;
    p.setPen(QPen(QColor(40, 150, 150), 1));
    p.setBrush(QColor(6, 30, 40));
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius * 0.6, radius * 0.6);
    p.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));
    const double angle = 360.0 * frame / frames;
    for (int k = 0; k < 6; ++k) {
        QPainterPath wedge;
        wedge.moveTo(centre);
        wedge.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), -angle + k * 10, 10);
        wedge.closeSubpath();
        p.fillPath(wedge, QColor(80, 255, 220, 150 - k * 24));
    }
    // A blip that lights up as the beam passes it.
    const double blip = std::fmod(360.0 + angle - 40.0, 360.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 80, blip < 90 ? 255 - static_cast<int>(blip * 2.5) : 30));
    p.drawEllipse(centre + QPointF(12, -10), 3, 3);
    // Caption and running dots.
    drawFittedText(p, QRectF(72, 16, 74, 18), QStringLiteral("Scanning"), headingFont(13, true), colour::cyan,
                   Qt::AlignLeft | Qt::AlignVCenter);
    for (int d = 0; d < 4; ++d) {
        const bool lit = d == frame % 4;
        p.setBrush(lit ? colour::cyan : QColor(40, 90, 110));
        p.drawEllipse(QPointF(78 + d * 16, 46), lit ? 4.5 : 3.0, lit ? 4.5 : 3.0);
    }
    // Progress bar with a moving light.
    const QRectF bar(72, 64, 68, 10);
    p.setPen(QPen(QColor(50, 130, 160), 1));
    p.setBrush(QColor(6, 16, 30));
    p.drawRoundedRect(bar, 4, 4);
    QRectF filled = bar.adjusted(1.5, 1.5, -1.5, -1.5);
    filled.setWidth(filled.width() * (frame + 1) / frames);
    QLinearGradient light(filled.topLeft(), filled.topRight());
    light.setColorAt(0.0, colour::tealDark);
    light.setColorAt(0.85, colour::teal);
    light.setColorAt(1.0, QColor(200, 255, 255));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRoundedRect(filled, 3, 3);
    p.end();
    return image;
}

QByteArray progressAnimation()
{
    constexpr int frames = 12;
    QList<QImage> images;
    for (int i = 0; i < frames; ++i)
        images << progressFrame(i, frames);
    const QList<QRgb> palette = commonPalette(images);
    GifWriter gif(152, 93, palette);
    // Each frame keeps its own time: the full bar lingers before the sweep starts again.
    for (int i = 0; i < frames; ++i)
        gif.addFrame(toIndexed(images[i], palette), i + 1 == frames ? 30 : 8);
    QByteArray bytes = gif.finish();
    // The program finds frames by the bytes 00 21 F9; they must not occur anywhere else.
    if (bytes.count(QByteArray("\x00\x21\xF9", 3)) != frames)
        return {};
    return bytes;
}

QImage creditsSheet()
{
    static constexpr const char* lines[] = {
        "QuennoAV",
        "",
        "Scanner",
        "The Quenno team",
        "",
        "Checksums",
        "CRC-32 engine",
        "",
        "Artwork",
        "Painted by the build",
        "",
        "Music",
        "Synthesised tune",
        "",
        "Thanks to",
        "Everyone who sends",
        "a new signature",
        "",
        "Stay safe!",
    };
    constexpr int lineHeight = 16;
    QImage sheet(185, static_cast<int>(std::size(lines)) * lineHeight, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::transparent);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    int y = 0;
    bool heading = true;
    for (const char* line : lines) {
        const QString text = QString::fromUtf8(line);
        if (text.isEmpty()) {
            heading = true;
        } else {
            drawFittedText(p, QRectF(4, y, 177, lineHeight), text, heading ? headingFont(13, true) : bodyFont(12),
                           heading ? colour::cyan : colour::text, Qt::AlignCenter);
            heading = false;
        }
        y += lineHeight;
    }
    p.end();
    return sheet;
}

QByteArray creditsMovie()
{
    const QImage sheet = creditsSheet();
    constexpr int width = 185;
    constexpr int height = 113;
    constexpr int step = 4;
    QImage backdrop(width, height, QImage::Format_RGB32);
    {
        QPainter p(&backdrop);
        drawBackdrop(p, QRectF(0, 0, width, height));
    }
    QList<QImage> frames;
    for (int offset = 0; offset < sheet.height() + height; offset += step) {
        QImage frame = backdrop;
        QPainter p(&frame);
        p.drawImage(0, height - offset, sheet);
        // Fade the text in at the bottom edge and out at the top edge.
        QLinearGradient fade(0, 0, 0, height);
        fade.setColorAt(0.0, QColor(8, 17, 33, 230));
        fade.setColorAt(0.18, QColor(8, 17, 33, 0));
        fade.setColorAt(0.82, QColor(8, 17, 33, 0));
        fade.setColorAt(1.0, QColor(8, 17, 33, 230));
        p.fillRect(frame.rect(), fade);
        p.end();
        frames << frame;
    }
    const QList<QRgb> palette = commonPalette(frames);
    GifWriter gif(width, height, palette);
    for (const QImage& frame : frames)
        gif.addFrame(toIndexed(frame, palette), 7);
    return gif.finish();
}

bool write(const QString& folder, const QString& name, const QByteArray& bytes)
{
    return writeIfChanged(folder + QLatin1Char('/') + name, bytes);
}

bool writeChecked(const QString& folder, const QString& name, const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "%s: a frame marker turned up inside the image data\n", qPrintable(name));
        return false;
    }
    return write(folder, name, bytes);
}

}  // namespace

bool makeMedia(const QString& folder)
{
    namespace appfiles = quenno::shell::appfiles;
    const auto name = [](const char* file) {
        return QString::fromLatin1(file);
    };
    const std::vector<double> menu = mix({{0.0, 0.07, 1318.5, 0.6, 0.2}, {0.012, 0.06, 1975.5, 0.3, 0.1}}, 0.09);
    const std::vector<double> help = mix({{0.0, 0.22, 659.3, 0.6}, {0.09, 0.3, 987.8, 0.6}}, 0.42);
    const std::vector<double> activated
        = mix({{0.0, 0.14, 523.3, 0.5}, {0.07, 0.14, 659.3, 0.5}, {0.14, 0.28, 784.0, 0.6}}, 0.45);
    const std::vector<double> finish = mix(
        {{0.0, 0.35, 784.0, 0.5}, {0.16, 0.35, 659.3, 0.5}, {0.32, 0.8, 1046.5, 0.6}, {0.32, 0.8, 523.3, 0.3}}, 1.15);
    return write(folder, name(appfiles::MenuCommandSound), wave(menu))
        && write(folder, name(appfiles::HelpSound), wave(help))
        && write(folder, name(appfiles::ActivatedSound), wave(activated))
        && write(folder, name(appfiles::FinishSound), wave(finish))
        && writeChecked(folder, name(appfiles::ProgressAnimation), progressAnimation())
        && write(folder, name(appfiles::CreditsMovie), creditsMovie())
        && write(folder, QStringLiteral("music.wav"), wave(tune()));
}

bool writeIfChanged(const QString& path, const QByteArray& bytes)
{
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes)
        return true;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

}  // namespace quenno::assets
