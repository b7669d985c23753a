#pragma once
// The animated GIF loader: splits an animated GIF file into one picture per frame, each
// placed at its frame's offset from the array's first element and tagged with the frame's
// display time, ready to be shown one at a time.

#include "Picture.h"
#include "Liveness.h"
#include "platform/Platform.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <vector>

namespace quenno::shell {

// An array of pictures at one place of a screen. Element 0 exists from the start and marks
// the place; the loader adds elements 1 and up as hidden copies of it.
class ImageArray {
public:
    explicit ImageArray(Picture* element0);
    ~ImageArray();  // destroys elements 1 and up; element 0 belongs to its screen
    ImageArray(const ImageArray&) = delete;
    ImageArray& operator=(const ImageArray&) = delete;

    int Count() const { return static_cast<int>(m_elements.size()); }
    // Element `index` (nullptr when out of range or destroyed with its screen).
    Picture* operator()(int index) const;
    // Display time of the element's frame in milliseconds.
    int Tag(int index) const;
    void setTag(int index, int milliseconds);

    // Creates element Count() as a hidden copy of element 0 (same parent, place, size and
    // picture), stacked directly above the last element. nullptr when element 0 is gone.
    Picture* Load();
    // Destroys the last element; element 0 is never destroyed.
    void UnloadLast();

    // Index of the last frame after a successful load (Count() - 1 then).
    std::int32_t LastFrame() const { return m_lastFrame; }

private:
    friend bool LoadGifFrames(const QString& path, ImageArray& images, const platform::Platform& platform);

    std::vector<QPointer<Picture>> m_elements;
    std::vector<int> m_tags;
    std::int32_t m_lastFrame = 0;
    bool m_loading = false;
    // Last member: a load that let events run asks it whether the array is still there.
    Liveness m_liveness;
};

// Loads the frames of the GIF file at `path` into `images`. Shows "File <path> not found"
// for a missing, hidden or system file, "This file is not a *.gif file" for anything that
// does not start with "GIF" or has no frame, and "Error No. <code> when reading file" when a
// frame is cut short, does not decode, or the frames together would take more than
// kGifPixelBudget pixels; each of these answers false. On true,
// images.LastFrame() is the index of the last element.
bool LoadGifFrames(const QString& path, ImageArray& images, const platform::Platform& platform);

// Pixels all frames of one animation may take together (a small file can declare huge frames).
inline constexpr qint64 kGifPixelBudget = 16 * 1024 * 1024;

// The codes shown after "Error No. ".
namespace GifError {
inline constexpr int Overflow = 6;  // more frames than the frame counter holds
inline constexpr int OutOfMemory = 7;  // frames larger than any animation needs
inline constexpr int OutOfRange = 9;  // a frame too short for the fields read from it
inline constexpr int ReadFailed = 57;  // the file could not be read
inline constexpr int InvalidPicture = 481;  // a frame that does not decode
}  // namespace GifError

}  // namespace quenno::shell
