#pragma once
// Rows a stage looks up again and again (a subgroup, an article's barcodes,
// an offer kind) do not change while the stage runs: each key is read once.
#include <utility>

namespace db {

// The value kept in `cache` for `key`; the first time it is made by `read()`.
// Given back as a copy (Qt's containers share their data, so it is cheap): a
// reference into the cache would not outlive the next key it takes in.
template <class Cache, class Read>
typename Cache::mapped_type readOnce(Cache& cache, const typename Cache::key_type& key, Read&& read) {
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    return *cache.insert(key, std::forward<Read>(read)());
}

}  // namespace db
