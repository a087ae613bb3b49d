#pragma once
// Creates the store article for a chain article the store lacks: a new article
// code, the chain supplier's price-list row and header, the article row with
// its prices, mark-up and margin, and the chain article's EAN codes, each
// recorded in the processing log.
#include "articles/ArticleRules.h"

#include <memory>

class Run;

// Prepared once per stage and called once per chain article. Before the call
// the run's cost with VAT (`cosivaCorrente`) and supplier name hold this
// article's values. Afterwards the run's store code, current EAN and the log
// row's article code and VAT code are this article's.
class CreoArtNuovo {
public:
    explicit CreoArtNuovo(Run& run);
    ~CreoArtNuovo();
    CreoArtNuovo(const CreoArtNuovo&) = delete;
    CreoArtNuovo& operator=(const CreoArtNuovo&) = delete;

    void operator()(const articles::ChainArticle& article);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// One article on its own (the statements are prepared for this call only).
void creo_art_nuovo(Run& run, const articles::ChainArticle& article);
