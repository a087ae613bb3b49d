#pragma once
// The supplier documents of the chain's file: their lines staged in `variati`,
// then every document the store has not received yet turned into a numbered
// goods-receipt document with its lines and stock movements. The run sequence
// calls these in order, with the new articles made from the staged lines in
// between.
#include <QtGlobal>

struct Run;
namespace chainfile {
class LineErrors;
}
namespace common {
class ChainFile;
}

// Stages every readable "BLE" line of the file in `variati` with the date of
// its document, replacing what an earlier run staged; unreadable lines are
// recorded in `errors`. An EAN row without article, met on a line whose chain
// code the store files under an article, joins that article; its log row
// carries `currentDocument`, the document the document list met last.
void stageDocumentLines(const Run& run, const common::ChainFile& file, chainfile::LineErrors& errors,
                        qint32 currentDocument);
// Documents switched off: nothing stays staged.
void clearDocumentLines(const Run& run);
// Receives every listed document not yet received, each one whole or not at
// all, except those `problems` holds back; then shows the document lines'
// problems.
void receiveDocuments(const Run& run, chainfile::LineErrors& problems);
// Hides the documents' progress bar.
void endDocuments(const Run& run);
