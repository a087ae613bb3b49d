#pragma once
// Runs the built program as a user or a scheduler would, and collects what it says.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct ProgramResult {
    int exitCode = -1;
    bool crashed = false;
    QString err;
    QString out;
};

// `unset` names variables the program must not see (as under cron: no DISPLAY).
inline ProgramResult runProgram(const QStringList& args, const QProcessEnvironment& extra = {}, int timeoutMs = 60000,
                                const QStringList& unset = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& k : extra.keys()) env.insert(k, extra.value(k));
    for (const QString& k : unset) env.remove(k);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("LIS06C_BINARY_DIR") + QStringLiteral("/lis06c"), args);
    ProgramResult r;
    if (!p.waitForStarted(10000)) {
        r.err = QStringLiteral("did not start: ") + p.errorString();
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return r;
}
