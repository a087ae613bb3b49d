#pragma once
class Run;

// Applies the marked chain articles to the store's articles.
void aggiorno_tutto(Run& run);
