#include "modAniGif.h"

#include "ByteText.h"

#include <QByteArray>
#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <string_view>

namespace quenno::shell {

// --- ImageArray ------------------------------------------------------------------------

ImageArray::ImageArray(Picture* element0)
{
    m_elements.emplace_back(element0);
    m_tags.push_back(0);
}

ImageArray::~ImageArray()
{
    while (Count() > 1)
        UnloadLast();
}

Picture* ImageArray::operator()(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_elements[static_cast<std::size_t>(index)].data();
}

int ImageArray::Tag(int index) const
{
    if (index < 0 || index >= Count())
        return 0;
    return m_tags[static_cast<std::size_t>(index)];
}

void ImageArray::setTag(int index, int milliseconds)
{
    if (index >= 0 && index < Count())
        m_tags[static_cast<std::size_t>(index)] = milliseconds;
}

Picture* ImageArray::Load()
{
    Picture* first = m_elements.front().data();
    if (!first)
        return nullptr;
    QWidget* parent = first->parentWidget();
    auto* element = new Picture(parent, first->objectName(), first->pixmap(), first->pos(), first->size());
    element->setVisible(false);
    element->setEnabled(first->isEnabled());
    // A new widget lies on top of its siblings; put it directly above the previous element.
    if (parent) {
        const QObjectList& siblings = parent->children();
        const qsizetype below = siblings.indexOf(m_elements.back().data());
        for (qsizetype i = below + 1; below >= 0 && i < siblings.size(); ++i) {
            auto* above = qobject_cast<QWidget*>(siblings[i]);
            if (above && above != element && !above->isWindow()) {
                element->stackUnder(above);
                break;
            }
        }
    }
    m_elements.emplace_back(element);
    m_tags.push_back(0);
    return element;
}

void ImageArray::UnloadLast()
{
    if (Count() <= 1)
        return;
    delete m_elements.back().data();
    m_elements.pop_back();
    m_tags.pop_back();
}

// --- LoadGifFrames ----------------------------------------------------------------------

namespace {

constexpr std::string_view kMarker("\x00\x21\xF9", 3);

// Index of the marker's first byte at or after `from`, or npos.
std::size_t findMarker(std::string_view bytes, std::size_t from)
{
    if (from >= bytes.size())
        return std::string_view::npos;
    return bytes.find(kMarker, from);
}

int byteAt(std::string_view segment, std::size_t offset) { return static_cast<unsigned char>(segment[offset]); }

struct FrameLoader {
    ImageArray& images;
    std::string_view header;
    qint64 pixels = 0;  // decoded so far

    // Shows frame n (counted from 1) from its segment. Returns 0 or an error code.
    int show(int n, std::string_view segment)
    {
        // The display time lies at offsets 3 and 4, the image position at 8 to 11.
        const std::size_t needed = n > 1 ? 12 : 5;
        if (segment.size() < needed)
            return GifError::OutOfRange;
        const int delay = (byteAt(segment, 3) + 256 * byteAt(segment, 4)) * 10;
        Picture* element = nullptr;
        if (n > 1) {
            const int x = byteAt(segment, 8) + 256 * byteAt(segment, 9);
            const int y = byteAt(segment, 10) + 256 * byteAt(segment, 11);
            element = images.Load();
            if (!element)
                return GifError::OutOfRange;
            const Picture* first = images(0);
            element->move(first->pos() + QPoint(x, y));
        } else {
            element = images(0);
            if (!element)
                return GifError::OutOfRange;
        }
        images.setTag(n - 1, delay);
        // The frame is the header followed by its segment, decoded straight from memory.
        QByteArray frame;
        frame.reserve(static_cast<qsizetype>(header.size() + segment.size()));
        frame.append(header.data(), static_cast<qsizetype>(header.size()));
        frame.append(segment.data(), static_cast<qsizetype>(segment.size()));
        QBuffer buffer(&frame);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "gif");
        // The decoder paints every frame onto the whole logical screen (header bytes 6 to 9).
        QSize declared = reader.size();
        if (header.size() >= 10)
            declared = declared.expandedTo(
                QSize(byteAt(header, 6) + 256 * byteAt(header, 7), byteAt(header, 8) + 256 * byteAt(header, 9)));
        if (qint64(declared.width()) * declared.height() > kGifPixelBudget - pixels)
            return GifError::OutOfMemory;
        QImage picture;
        if (!reader.read(&picture) || picture.isNull())
            return GifError::InvalidPicture;
        pixels += qint64(picture.width()) * picture.height();
        // The decoder paints a frame onto the whole logical screen; the element is already
        // moved by the frame's offset, so it shows only the frame's own rectangle.
        if (n > 1 && segment.size() >= 16) {
            const QRect own(
                byteAt(segment, 8) + 256 * byteAt(segment, 9), byteAt(segment, 10) + 256 * byteAt(segment, 11),
                byteAt(segment, 12) + 256 * byteAt(segment, 13), byteAt(segment, 14) + 256 * byteAt(segment, 15));
            if (!own.isEmpty() && own != picture.rect() && picture.rect().contains(own))
                picture = picture.copy(own);
        }
        element->setPixmap(QPixmap::fromImage(picture));
        return 0;
    }
};

void critical(const platform::Platform& platform, const QString& text)
{
    if (platform.messages)
        platform.messages->show(text, platform::MessageBoxes::Style::Critical);
}

enum class Outcome { Loaded, Failed, ArrayGone };

Outcome loadFrames(const QString& path, ImageArray& images, const platform::Platform& platform,
                   const Liveness::Watch& array)
{
    const std::string nativePath = BytesOfText(path);
    const auto entry = path.isEmpty() || !platform.files ? std::nullopt : platform.files->linkedEntry(nativePath);
    const bool present = entry && entry->kind == platform::EntryKind::File
        && (entry->attributes & (platform::Attribute::Hidden | platform::Attribute::System)) == 0;
    if (!present) {
        critical(platform, QStringLiteral("File ") + path + QStringLiteral(" not found"));
        return Outcome::Failed;
    }
    auto fail = [&platform](int code) {
        critical(platform, QStringLiteral("Error No. %1 when reading file").arg(code));
        return Outcome::Failed;
    };

    while (images.Count() > 1)
        images.UnloadLast();

    const std::optional<std::string> content = platform.files->readWholeFile(nativePath);
    if (!content)
        return fail(GifError::ReadFailed);
    const std::string_view bytes(*content);

    // The header runs up to and including the 0x21 of the first marker.
    const std::size_t first = findMarker(bytes, 0);
    const std::string_view header = first == std::string_view::npos
        ? bytes.substr(0, std::min<std::size_t>(1, bytes.size()))
        : bytes.substr(0, first + 2);
    if (header.substr(0, 3) != "GIF") {
        critical(platform, QStringLiteral("This file is not a *.gif file"));
        return Outcome::Failed;
    }

    FrameLoader loader{images, header};
    const QPointer<Picture> anchor = images(0);
    std::size_t current = first + 2;  // the 0xF9 label of the current marker
    int n = 0;
    for (;;) {
        if (n == 32767)
            return fail(GifError::Overflow);
        ++n;
        const std::size_t next = findMarker(bytes, current + 1);
        if (next != std::string_view::npos) {
            if (const int code = loader.show(n, bytes.substr(current, next + 2 - current)))
                return fail(code);
            current = next + 2;
        }
        if (platform.events)
            platform.events->letEventsRun();
        // The screen holding the animation may have been closed meanwhile.
        if (!array.alive())
            return Outcome::ArrayGone;
        if (!anchor)
            return Outcome::Failed;
        if (next == std::string_view::npos)
            break;
    }
    // The last frame ends two bytes before the end of the file (its block terminator and the trailer).
    if (bytes.size() >= 2 && bytes.size() - 2 > current) {
        if (const int code = loader.show(n, bytes.substr(current, bytes.size() - 2 - current)))
            return fail(code);
    }
    return Outcome::Loaded;
}

}  // namespace

bool LoadGifFrames(const QString& path, ImageArray& images, const platform::Platform& platform)
{
    // Letting events run mid-load must not start a second load over the same array.
    if (images.m_loading)
        return false;
    images.m_loading = true;
    const Liveness::Watch array = images.m_liveness.watch();  // it outlives the array
    const Outcome outcome = loadFrames(path, images, platform, array);
    // The pump and the failure's message box both let events run: the screen, and the
    // array with it, may be gone by now.
    if (outcome == Outcome::ArrayGone || !array.alive())
        return false;
    images.m_loading = false;
    if (outcome != Outcome::Loaded)
        return false;
    images.m_lastFrame = images.Count() - 1;
    return true;
}

}  // namespace quenno::shell
