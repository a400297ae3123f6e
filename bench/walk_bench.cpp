// Walks each folder given on the command line with the folder scanner (four workers) and prints
// seconds, items and resident bytes per item: "walk PATH seconds=S items=N rss_per_item=B".
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/Dispatch.h"
#include "scan/FolderScanner.h"

namespace {
long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

class Listener : public FolderScannerListener {
public:
    void onScannerFoundFiles(FolderScanner*, std::vector<FileSystemItem*>) override {}
    void onScannerCompletedScanItem(FolderScanner* scanner, VolumeSystemItem*) override {
        root = scanner->takeRoot();
        QCoreApplication::quit();
    }
    std::unique_ptr<VolumeSystemItem> root;
};
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        long before = residentBytes();
        auto listener = std::make_shared<Listener>();
        QElapsedTimer timer;
        timer.start();
        auto scanner = FolderScanner::create(argv[i], listener);
        app.exec();
        double seconds = timer.nsecsElapsed() / 1e9;
        listener->root->recalculateCountOfDeepChildren();
        std::uint64_t items = listener->root->getCountOfDeepChildren() + 1;
        long after = residentBytes();
        std::printf("walk %s seconds=%.3f items=%llu rss_per_item=%.1f\n", argv[i], seconds,
                    static_cast<unsigned long long>(items), double(after - before) / double(items));
        scanner.reset();
        listener->root.reset();
    }
    return 0;
}
