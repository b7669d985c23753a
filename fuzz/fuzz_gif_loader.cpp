// The progress animation is a file beside the program that anyone may replace. Runs the
// loader itself (splitting at the frame markers, reading the delay and position fields,
// decoding each frame) on any bytes, in an offscreen application, and checks that a
// successful load is complete and that loading again gives the same frames.

#include "FuzzCheck.h"
#include "shell/modAniGif.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/MemoryFileSystem.h"

#include <QApplication>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quenno;

namespace {

QApplication& application()
{
    static int argc = 1;
    static char name[] = "fuzz_gif_loader";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    // A frame may declare an image far larger than its bytes; the decoder then clears up to
    // its allocation limit (128 MB by default) per frame, which takes seconds under the
    // sanitizers and finds nothing new. A lower limit keeps each run short; the loader's
    // own handling of a frame that does not decode is exercised all the same.
    QImageReader::setAllocationLimit(8);
    return app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    application();
    test::MemoryFileSystem files;
    const std::string path = "/app/Bar.ocx";
    files.files[path] = std::string(reinterpret_cast<const char*>(data), size);
    test::FakePlatform fake;
    fake.platform.files = &files;
    const platform::Platform& platform = fake.platform;

    QWidget screen;
    auto* first = new shell::Picture(&screen, "Image1", QPixmap(), QPoint(30, 40), QSize(16, 16));
    shell::ImageArray images(first);
    const bool loaded = shell::LoadGifFrames(QString::fromStdString(path), images, platform);
    FUZZ_CHECK(images.Count() >= 1 && images(0) == first);
    if (!loaded)
        return 0;
    FUZZ_CHECK(images.LastFrame() == images.Count() - 1);
    std::vector<int> tags;
    for (int i = 0; i < images.Count(); ++i) {
        FUZZ_CHECK(images(i) != nullptr);
        FUZZ_CHECK(images.Tag(i) >= 0 && images.Tag(i) <= 655350);
        tags.push_back(images.Tag(i));
    }

    // A second load replaces the first one's frames with the same frames.
    FUZZ_CHECK(shell::LoadGifFrames(QString::fromStdString(path), images, platform));
    FUZZ_CHECK(images.Count() == static_cast<int>(tags.size()));
    for (int i = 0; i < images.Count(); ++i)
        FUZZ_CHECK(images.Tag(i) == tags[static_cast<std::size_t>(i)]);
    return 0;
}
