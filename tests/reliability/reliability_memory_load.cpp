// Memory under load: one running scan screen scans the same generated tree again and
// again, with a deletion and a quarantine between the scans, and its resident memory must
// not grow by more than a tenth from the second scan on (the first one fills the caches
// and the lists once).
//
//   reliability_memory_load [FILES [SCANS]]     defaults: 30000 files, 20 scans
//
// Prints the resident memory after each scan; exit status 1 when it grew too much. The
// test suite runs a small tree; the full tree is run by hand (docs/reliability.md).
// Under AddressSanitizer, whose quarantine keeps freed memory on purpose, it only reports.

#include "scan/FormScan.h"
#include "tests/scan/ScanRig.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRandomGenerator>

#include <cstdio>
#include <fstream>
#include <string>

using namespace quenno;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

const QByteArray kVirus = "virus: harmless bytes that the memory load test lists";

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// FILES files in folders of 100, every 100th one detected; the others 1 to 4 KB of noise.
QStringList makeTree(const QString& root, int files)
{
    QStringList detected;
    QRandomGenerator random(20261210);
    for (int i = 0; i < files; ++i) {
        const QString path = QStringLiteral("%1/folder%2/file%3.exe").arg(root).arg(i / 100, 4, 10, QChar('0')).arg(i);
        if (i % 100 == 50) {
            test::writeFile(path, kVirus);
            detected << path;
        } else {
            QByteArray noise(1024 + static_cast<int>(random.bounded(3072u)), '\0');
            for (char& c : noise)
                c = static_cast<char>(random.generate());
            test::writeFile(path, noise);
        }
    }
    return detected;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 30000;
    const int scans = argc > 2 ? std::atoi(argv[2]) : 20;

    test::Rig rig;
    rig.writeDatabase({{"Worm.Load", kVirus}});
    const QStringList detected = makeTree(rig.tree, files);

    scan::FormScan form(rig.platform);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.setYieldInterval(15);
    form.IscanClearLs_Click();  // each scan starts with empty result lists
    auto* list = form.findChild<QListWidget*>("lstVirusFound");
    form.findChild<QLineEdit*>("txtPath")->setText(rig.tree);

    long second = 0;
    long worst = 0;
    for (int scan = 1; scan <= scans; ++scan) {
        form.IScanFolderb_Click();
        const int found = list->count();
        // Between the scans: delete the first detection and quarantine the next one, then
        // put both files back so that every scan sees the same tree.
        list->setCurrentRow(0);
        form.IScanDeleteb_Click();
        list->setCurrentRow(0);
        form.IscanQuab_Click();
        for (const QString& path : detected)
            if (!QFile::exists(path))
                test::writeFile(path, kVirus);
        const long rss = residentKilobytes();
        if (scan == 2)
            second = rss;
        if (scan >= 2)
            worst = std::max(worst, rss);
        std::printf("scan %2d: %d detections, resident %ld KB\n", scan, found, rss);
        std::fflush(stdout);
        if (found != static_cast<int>(detected.size())) {
            std::printf("scan %d found %d of %lld detected files\n", scan, found,
                        static_cast<long long>(detected.size()));
            return 1;
        }
    }
    if (scans < 2)
        return 0;
    const double growth = second > 0 ? static_cast<double>(worst - second) / static_cast<double>(second) : 0.0;
    std::printf("%d files, %d scans: largest growth from the second scan %.1f%% (%ld KB to %ld KB)\n", files, scans,
                growth * 100.0, second, worst);
    if (kAddressSanitizer) {
        std::printf("AddressSanitizer keeps freed memory: growth reported, not judged\n");
        return 0;
    }
    return growth > 0.10 ? 1 : 0;
}
