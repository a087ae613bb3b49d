#pragma once
#include <QtGlobal>

struct Run;

// Creates store articles for staged document lines the store lacks: first the
// lines of one chain code are levelled to the price and cost of the dearest,
// then the first line of each chain code without store article gets a new
// article, its supplier price-list row, the price-list header and its EAN row.
// The price-list row names the new article, so that every line of the chain
// code finds it, whatever its EAN. The log rows carry `currentDocument`, the
// supplier document the document list met last.
void creo_art_nuovo_forni(const Run& run, qint32 currentDocument);
