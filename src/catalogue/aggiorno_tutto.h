#pragma once
struct Run;

// Applies the marked chain articles to the store's articles; a chain article
// the store lacks is created by creo_art_nuovo.
void aggiorno_tutto(const Run& run);
