#include "cli/ScanRun.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

#include "app/ScanSession.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "platform/Terminal.h"

ScanRun ScanRun::run(const std::vector<std::string>& folders, const ScanChoices& choices, bool showProgress) {
    ScanRun out;
    bool finished = false;
    out.session = ScanSession::create(folders, choices, [&](std::shared_ptr<DuplicatesContainer> c) {
        out.container = std::move(c);
        finished = true;
        QCoreApplication::quit();
    });
    QTimer ticker;
    bool stopRequested = false;
    progress_line::ScanPercentage percentage(choices.searchDuplicateFolders);
    int width = Terminal::standard().columns(STDERR_FILENO).value_or(80);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (stop_signals::stopStatus() != 0 && !stopRequested) {
            stopRequested = true;
            out.session->stop(false);
        }
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
