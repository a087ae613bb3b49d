#pragma once
// A small but complete store for the reliability tests: articles in both
// databases, the configuration rows a whole run needs (document types,
// numbering series, offer type), and a chain's file with catalogue changes,
// new articles, three supplier documents and two promotions. Also runs the
// real program on a root, as the scheduler would.
#include "RecordBuilder.h"
#include "TestRoot.h"

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace scenario {

// Fills the databases of `root` (built by TestRoot) with the store's articles
// and configuration.
void fillDatabases(TestRoot& root);

// The chain's file of the full scenario.
QList<QByteArray> chainLines();

// One line of each record kind, well formed: the base the bad-file cases break.
QByteArray tabLine();
RecordBuilder mdaLine(qint64 code, const QString& description);
RecordBuilder mhaLine(qint64 code, const QString& ean);
RecordBuilder mheLine(qint64 code, double price);
RecordBuilder mhnLine(qint64 code, double cost);
RecordBuilder bleLine(qint64 document, bool invoice, qint64 chainCode, const QString& ean,
                      double quantity, double cost, double price);
RecordBuilder oftLine(qint64 promotion, const QString& description);
RecordBuilder ofdLine(qint64 promotion, int kind, qint64 chainCode, double value);

struct Outcome {
    int exitCode = -1;
    bool crashed = false;  // killed by a signal (the kill switch, or a real crash)
    int signal = 0;
    QString out;
    QString err;
};

// Runs `lis06c --headless --root root` with extra environment values and arguments.
Outcome runProgram(const QString& root, const QStringList& env = {}, int timeoutMs = 120000,
                   const QStringList& args = {});

// Runs the program once on `root`, counting its database writes: the kill
// points a crash test can try. Zero writes when the run did not end well
// (`outcome` says why).
int countedRun(const QString& root, Outcome& outcome);

// Copies nelv/ and quarn/ of one root into another (an existing empty folder).
void copyRoot(const QString& from, const QString& to);

// PRAGMA integrity_check of a database file, opened on its own.
QString integrity(const QString& path);

}  // namespace scenario
