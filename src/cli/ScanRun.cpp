#include "cli/ScanRun.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

#include "app/ScanSession.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "platform/Terminal.h"

ScanRun ScanRun::run(const std::vector<std::string>& folders, const ScanChoices& choices, bool showProgress,
                     ScanSession::FilesCompared filesCompared) {
    ScanRun out;
    bool finished = false;
    out.session = ScanSession::create(folders, choices, [&](std::shared_ptr<DuplicatesContainer> c) {
        out.container = std::move(c);
        finished = true;
        QCoreApplication::quit();
    });
    out.session->setFilesCompared(std::move(filesCompared));
    QTimer ticker;
    bool stopRequested = false;
    progress_line::ScanPercentage percentage(choices.searchDuplicateFolders);
    int width = Terminal::standard().columns(STDERR_FILENO).value_or(80);
    const auto stopIfAsked = [&] {
        if (stop_signals::stopStatus() != 0 && !stopRequested) {
            stopRequested = true;
            out.session->stop(false);
        }
    };
    // Ctrl-C stops the scan at once, not at the next tick: a small scan could otherwise end meanwhile.
    std::unique_ptr<QSocketNotifier> wake;
    if (const int fd = stop_signals::wakeDescriptor(); fd >= 0) {
        wake = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [&] {
            wake->setEnabled(false);  // the byte stays unread: one stop is all it asks for
            stopIfAsked();
        });
    }
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        stopIfAsked();
        if (stop_signals::takeTerminalResized()) width = Terminal::standard().columns(STDERR_FILENO).value_or(width);
        if (showProgress && out.session->scanner())
            std::fprintf(stderr, "\r\x1b[K%s", progress_line::describe(*out.session->scanner(), percentage, width).c_str());
    });
    ticker.start(100);
    out.session->start();
    if (!finished) QCoreApplication::exec();
    ticker.stop();
    if (showProgress) std::fputs("\r\x1b[K", stderr);
    return out;
}
