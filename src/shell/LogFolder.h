#pragma once
// The folder of the runs' log files: a new file for every run, named by the
// day and time it started (lis06c-20261208-103000.log), and only the newest
// files kept, so that the folder never grows without end.
#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>

// Opens the log file of a run that starts at `start` and removes the oldest
// ones beyond `kept` (the new one counts). Null, with `error` set, when the
// folder or the file cannot be made.
std::unique_ptr<QFile> openRunLog(const QString& folder, const QDateTime& start, int kept, QString* error);

// The folder used when none is configured: nelv/log under the root.
QString defaultLogFolder(const QString& root);
