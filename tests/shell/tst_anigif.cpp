// The animated GIF loader: frames, display times and offsets of files made by real
// encoders, the refusals and their messages, broken files, and the current folder left alone.

#include "ShellRig.h"
#include "shell/AppFiles.h"
#include "shell/modAniGif.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTest>
#include <QWidget>

using namespace quenno;
using shell::ImageArray;
using shell::LoadGifFrames;
using shell::Picture;

namespace {

const QString kThreeFrames = QStringLiteral("anim-3-frames-delays-10-0-5000-frame2-at-7-5.gif");

QString dataFile(const QString& name) { return QStringLiteral(QUENNO_TEST_DATA "/") + name; }

QByteArray readData(const QString& name)
{
    QFile file(dataFile(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

// A screen area holding element 0 of the animation between two other pictures.
struct Holder {
    QWidget screen;
    Picture* below = new Picture(&screen, QStringLiteral("below"), {}, {0, 0}, {200, 200});
    Picture* image1 = new Picture(&screen, QStringLiteral("Image1"), {}, {9, 401 - 380}, {152, 93});
    Picture* above = new Picture(&screen, QStringLiteral("above"), {}, {11, 419 - 380}, {143, 35});
    ImageArray images{image1};
};

QByteArray marker() { return QByteArray("\x00\x21\xF9", 3); }

}  // namespace

class TestAniGif : public QObject {
    Q_OBJECT
private slots:
    void init() { rig = std::make_unique<test::ShellRig>(); }

    void loadsEveryFrame_data();
    void loadsEveryFrame();
    void framesAreStackedAboveTheFirst();
    void refusals_data();
    void refusals();
    void foundThroughLinks_data();
    void foundThroughLinks();
    void brokenFiles_data();
    void brokenFiles();
    void secondLoadReplacesTheFirst();
    void currentFolderIsLeftAlone();
    void screenClosedWhileLoading_data();
    void screenClosedWhileLoading();
    void progressAnimationOfTheProgram();

private:
    std::unique_ptr<test::ShellRig> rig;
};

void TestAniGif::loadsEveryFrame_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QList<int>>("tags");
    QTest::addColumn<QList<QPoint>>("offsets");  // of each element from element 0
    QTest::addColumn<QList<QSize>>("sizes");

    QTest::newRow("three frames, looping, second at 7,5")
        << kThreeFrames << QList<int>{100, 0, 50000} << QList<QPoint>{{0, 0}, {7, 5}, {0, 0}}
        << QList<QSize>{{40, 30}, {20, 12}, {40, 30}};
    QTest::newRow("still image with one control block")
        << QStringLiteral("still-89a-one-gce-delay-20.gif") << QList<int>{200} << QList<QPoint>{{0, 0}}
        << QList<QSize>{{10, 10}};
}

void TestAniGif::loadsEveryFrame()
{
    QFETCH(QString, fixture);
    QFETCH(QList<int>, tags);
    QFETCH(QList<QPoint>, offsets);
    QFETCH(QList<QSize>, sizes);
    Holder holder;
    const QPoint origin = holder.image1->pos();

    QVERIFY(LoadGifFrames(dataFile(fixture), holder.images, rig->platform));

    QVERIFY(rig->messages.texts.isEmpty());
    QCOMPARE(holder.images.Count(), tags.size());
    QCOMPARE(holder.images.LastFrame(), tags.size() - 1);
    for (int i = 0; i < tags.size(); ++i) {
        Picture* element = holder.images(i);
        QVERIFY(element);
        QCOMPARE(holder.images.Tag(i), tags[i]);
        QCOMPARE(element->pos(), origin + offsets[i]);
        QCOMPARE(element->pixmap().size(), sizes[i]);
        if (i > 0) {
            QVERIFY(!element->isVisibleTo(&holder.screen));
            QCOMPARE(element->parentWidget(), &holder.screen);
        }
    }
    QCOMPARE(rig->events.runs, tags.size());
}

void TestAniGif::framesAreStackedAboveTheFirst()
{
    Holder holder;
    QVERIFY(LoadGifFrames(dataFile(kThreeFrames), holder.images, rig->platform));
    const QObjectList order = holder.screen.children();
    const QObjectList expected{holder.below, holder.images(0), holder.images(1), holder.images(2), holder.above};
    QCOMPARE(order, expected);
}

void TestAniGif::refusals_data()
{
    QTest::addColumn<QString>("name");  // written into the application folder ("" = empty path)
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");  // %1 = the path

    const QByteArray anim = readData(kThreeFrames);
    QByteArray lower = anim;
    lower.replace(0, 3, "gif");
    QTest::newRow("empty path") << QString() << QByteArray() << QStringLiteral("File %1 not found");
    QTest::newRow("missing file") << QStringLiteral("-missing.gif") << QByteArray()
                                  << QStringLiteral("File %1 not found");
    QTest::newRow("hidden file") << QStringLiteral(".hidden.gif") << anim << QStringLiteral("File %1 not found");
    QTest::newRow("folder") << QStringLiteral("folder.gif/") << QByteArray() << QStringLiteral("File %1 not found");
    QTest::newRow("GIF87a, no control block")
        << QStringLiteral("old.gif") << readData(QStringLiteral("still-87a-no-gce.gif"))
        << QStringLiteral("This file is not a *.gif file");
    QTest::newRow("lower-case signature")
        << QStringLiteral("lower.gif") << lower << QStringLiteral("This file is not a *.gif file");
    QTest::newRow("empty file") << QStringLiteral("empty.gif") << QByteArray()
                                << QStringLiteral("This file is not a *.gif file");
    QTest::newRow("marker first") << QStringLiteral("marker.gif") << marker() + QByteArray("GIF89a")
                                  << QStringLiteral("This file is not a *.gif file");
}

void TestAniGif::refusals()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QString path;
    if (!name.isEmpty()) {
        path = rig->inApp(name);
        if (name.endsWith(QLatin1Char('/')))
            QVERIFY(QDir().mkpath(path));
        else if (!name.startsWith(QLatin1Char('-')))
            QVERIFY(test::writeFile(path, content));
    }
    Holder holder;
    // A previous load's frames; a refusal after the file check clears them, LastFrame stays.
    QVERIFY(LoadGifFrames(dataFile(kThreeFrames), holder.images, rig->platform));

    QVERIFY(!LoadGifFrames(path, holder.images, rig->platform));

    QCOMPARE(rig->messages.texts, QStringList{message.contains(QLatin1String("%1")) ? message.arg(path) : message});
    QCOMPARE(rig->messages.styles.value(0), platform::MessageBoxes::Style::Critical);
    QCOMPARE(holder.images.LastFrame(), 2);
    const bool fileFound = !message.startsWith(QLatin1String("File "));
    QCOMPARE(holder.images.Count(), fileFound ? 1 : 3);
}

// "Bar.ocx" may be a symbolic link: what counts is the file it leads to.
void TestAniGif::foundThroughLinks_data()
{
    QTest::addColumn<QStringList>("links");  // each names the next; the last leads to the target
    QTest::addColumn<QString>("target");  // "" = nothing there
    QTest::addColumn<bool>("loaded");
    QTest::newRow("link to a GIF") << QStringList{shell::appfiles::ProgressAnimation} << "anims/spinner.gif" << true;
    QTest::newRow("link to a link to a GIF")
        << QStringList{shell::appfiles::ProgressAnimation, "anims/current"} << "anims/spinner.gif" << true;
    QTest::newRow("link to a hidden file")
        << QStringList{shell::appfiles::ProgressAnimation} << "anims/.spinner.gif" << false;
    QTest::newRow("dangling link") << QStringList{shell::appfiles::ProgressAnimation} << "" << false;
    QTest::newRow("link to a folder") << QStringList{shell::appfiles::ProgressAnimation} << "anims" << false;
}

void TestAniGif::foundThroughLinks()
{
    QFETCH(QStringList, links);
    QFETCH(QString, target);
    QFETCH(bool, loaded);
    QVERIFY(QDir().mkpath(rig->inApp(QStringLiteral("anims"))));
    const QString targetPath = rig->inApp(target.isEmpty() ? QStringLiteral("anims/gone.gif") : target);
    if (!target.isEmpty() && !QFileInfo(targetPath).isDir())
        QVERIFY(test::writeFile(targetPath, readData(kThreeFrames)));
    QStringList chain = links;
    chain << targetPath;
    for (int i = 0; i + 1 < chain.size(); ++i)
        QVERIFY(QFile::link(i + 1 < links.size() ? rig->inApp(chain[i + 1]) : chain[i + 1], rig->inApp(chain[i])));

    Holder holder;
    const QString bar = rig->inApp(links.first());
    QCOMPARE(LoadGifFrames(bar, holder.images, rig->platform), loaded);
    QCOMPARE(rig->messages.texts, loaded ? QStringList() : QStringList{QStringLiteral("File %1 not found").arg(bar)});
    QCOMPARE(holder.images.Count(), loaded ? 3 : 1);
}

void TestAniGif::brokenFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("framesKept");  // elements that stay after the failure
    QTest::addColumn<QString>("message");

    const QByteArray anim = readData(kThreeFrames);
    const qsizetype second = anim.indexOf(marker(), anim.indexOf(marker()) + 1);
    QVERIFY(second > 0);
    QTest::newRow("cut inside the second frame's control block")
        << anim.left(second + 5) << 1 << QStringLiteral("Error No. 9 when reading file");
    QTest::newRow("second frame's bytes replaced by noise")
        << anim.left(second + 3) + QByteArray(4, '\x00') + QByteArray(12, '\x55') + marker() + anim.mid(second + 3) << 2
        << QStringLiteral("Error No. 481 when reading file");
    QTest::newRow("last frame of three bytes") << anim.left(second) + marker() + QByteArray("\x04\x00\x00\x3B", 4) << 1
                                               << QStringLiteral("Error No. 9 when reading file");
    QByteArray huge = readData(QStringLiteral("still-89a-one-gce-delay-20.gif"));
    huge.replace(6, 4, QByteArray("\x88\x13\x88\x13", 4));  // logical screen 5000 x 5000
    QTest::newRow("frame far larger than its bytes") << huge << 1 << QStringLiteral("Error No. 7 when reading file");
    QTest::newRow("header alone with a marker and garbage")
        << QByteArray("GIF") + marker() + QByteArray("\x04\x0A\x00\x00\x00\x2C\xFF\xFF\xFF\xFF\xFF", 11) << 1
        << QStringLiteral("Error No. 481 when reading file");
}

void TestAniGif::brokenFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, framesKept);
    QFETCH(QString, message);
    const QString path = rig->inApp(QStringLiteral("broken.gif"));
    QVERIFY(test::writeFile(path, content));
    Holder holder;

    QVERIFY(!LoadGifFrames(path, holder.images, rig->platform));

    QCOMPARE(rig->messages.texts, QStringList{message});
    QCOMPARE(rig->messages.styles.value(0), platform::MessageBoxes::Style::Critical);
    QCOMPARE(holder.images.Count(), framesKept);
    QCOMPARE(holder.images.LastFrame(), 0);
}

void TestAniGif::secondLoadReplacesTheFirst()
{
    Holder holder;
    QVERIFY(LoadGifFrames(dataFile(kThreeFrames), holder.images, rig->platform));
    QVERIFY(LoadGifFrames(dataFile(kThreeFrames), holder.images, rig->platform));
    QCOMPARE(holder.images.Count(), 3);
    QCOMPARE(holder.screen.findChildren<Picture*>(QStringLiteral("Image1")).size(), 3);
    QVERIFY(LoadGifFrames(dataFile(QStringLiteral("still-89a-one-gce-delay-20.gif")), holder.images, rig->platform));
    QCOMPARE(holder.images.Count(), 1);
    QCOMPARE(holder.images.LastFrame(), 0);
}

void TestAniGif::currentFolderIsLeftAlone()
{
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    QVERIFY(test::writeFile(QStringLiteral("temp.gif"), "the user's own file"));
    Holder holder;
    const bool loaded = LoadGifFrames(dataFile(kThreeFrames), holder.images, rig->platform);
    QFile kept(QStringLiteral("temp.gif"));
    const bool opened = kept.open(QIODevice::ReadOnly);
    const QByteArray content = kept.readAll();
    const QStringList entries = QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QDir::setCurrent(previous);

    QVERIFY(loaded);
    QVERIFY(opened);
    QCOMPARE(content, QByteArray("the user's own file"));
    QCOMPARE(entries, QStringList{QStringLiteral("temp.gif")});
}

void TestAniGif::screenClosedWhileLoading_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("arrayOutlivesScreen");
    // Between frames the loader lets events run; a refused file's message box does too.
    QTest::newRow("array destroyed with its screen") << kThreeFrames << false;
    QTest::newRow("array kept alive by its owner") << kThreeFrames << true;
    QTest::newRow("array destroyed during the message") << QStringLiteral("missing.gif") << false;
    QTest::newRow("array kept alive during the message") << QStringLiteral("missing.gif") << true;
}

void TestAniGif::screenClosedWhileLoading()
{
    QFETCH(QString, file);
    QFETCH(bool, arrayOutlivesScreen);
    auto* screen = new QWidget;
    auto images = std::make_shared<ImageArray>(new Picture(screen, QStringLiteral("Image1"), {}, {9, 21}, {152, 93}));
    const std::weak_ptr<ImageArray> watch = images;
    ImageArray& array = *images;
    const auto closeScreen = [&] {
        delete screen;
        screen = nullptr;
        if (!arrayOutlivesScreen)
            images.reset();
    };
    struct ClosingMessages final : platform::MessageBoxes {
        std::function<void()> during;
        QStringList texts;
        Answer show(const QString& text, Style) override
        {
            texts << text;
            during();
            return Answer::Ok;
        }
    } messages;
    const bool refused = file != kThreeFrames;
    platform::Platform platform = rig->platform;
    if (refused) {
        messages.during = closeScreen;
        platform.messages = &messages;
    } else {
        rig->events.during = closeScreen;
    }

    QVERIFY(!LoadGifFrames(dataFile(file), array, platform));

    QVERIFY(!screen);
    QCOMPARE(!watch.expired(), arrayOutlivesScreen);
    QCOMPARE(messages.texts.size(), refused ? 1 : 0);
    QVERIFY(rig->messages.texts.isEmpty());
    QCOMPARE(rig->events.runs, refused ? 0 : 1);
}

void TestAniGif::progressAnimationOfTheProgram()
{
    const QString bar = QStringLiteral(QUENNO_APP_DIR "/") + shell::appfiles::ProgressAnimation;
    if (!QFile::exists(bar))
        QSKIP("the application folder has no Bar.ocx (assets not built)");
    Holder holder;
    QVERIFY(LoadGifFrames(bar, holder.images, rig->platform));
    QVERIFY(holder.images.Count() >= 3);
    QCOMPARE(holder.images.LastFrame(), holder.images.Count() - 1);
    for (int i = 0; i < holder.images.Count(); ++i) {
        QVERIFY(holder.images.Tag(i) > 0);
        QCOMPARE(holder.images(i)->pixmap().size(), QSize(152, 93));
        QCOMPARE(holder.images(i)->pos(), holder.image1->pos());
    }
}

QTEST_MAIN(TestAniGif)
#include "tst_anigif.moc"
