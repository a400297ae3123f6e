// Runs the built `dorvane` binary with its standard input empty and answers its status and output.
// Header-only: DORVANE_BINARY is defined for each test executable. Test thread only.
#pragma once

#include <QProcess>
#include <QStringList>

#include <string>

struct DorvaneRun {
    int status = -1;  // -1 when the process did not end normally
    std::string out;
    std::string err;
};

inline DorvaneRun runDorvaneBinary(const QStringList& arguments) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral(DORVANE_BINARY), arguments);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}
