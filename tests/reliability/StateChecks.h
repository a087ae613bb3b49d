#pragma once
// What must hold in a root after a run of the full scenario, however the run
// before it ended: each supplier document received once with all its lines,
// stock moved once per line, numbering without gaps or repeats, one offer
// document per promotion without repeated barcodes, no chain article left
// marked, and both databases intact. Plus a fingerprint of the data a run
// writes, to compare a root with the one of an uninterrupted run.
#include <QString>
#include <QStringList>

namespace scenario {

// Every broken rule, in words; empty when all hold.
QStringList brokenRules(const QString& root);

// The rows that a run leaves, one text per row, without dates and times.
QStringList fingerprint(const QString& root);

}  // namespace scenario
