#pragma once
// Creates the store article for a chain article the store lacks: a new article
// code, the chain supplier's price-list row and header, the article row with
// its prices, mark-up and margin, and the chain article's EAN codes, each
// recorded in the processing log.
#include "articles/ArticleRules.h"
#include "articles/ReadOnceKeys.h"

#include <memory>

struct Run;

// What the store update knows of a chain article the store lacks.
struct NewArticle {
    articles::ChainArticle article;
    articles::CostWithVat cosiva;  // its cost with VAT, as the update worked it out
};

// Prepared once per stage and called once per chain article. The store's
// lookups, the chain EANs, the store EANs and the price-list rows are the
// stage's own, read once: a store EAN or price-list row added here goes into
// them, for the articles after this one. It keeps the highest article code
// itself: while it lives, nothing else adds store articles.
class CreoArtNuovo {
public:
    CreoArtNuovo(const Run& run, articles::StoreLookups& lookups, articles::ChainBarcodes& chainBarcodes,
                 articles::StoreEans& storeEans, articles::PriceListRows& priceList);
    ~CreoArtNuovo();
    CreoArtNuovo(const CreoArtNuovo&) = delete;
    CreoArtNuovo& operator=(const CreoArtNuovo&) = delete;

    // Creates the article; returns its store code.
    qint32 operator()(const NewArticle& input);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// One article on its own (the statements and keys are prepared for this call only).
qint32 creo_art_nuovo(const Run& run, const NewArticle& input);
