#include "catalogue/aggiorno_tutto.h"

#include "shell/Run.h"

// Applies the marked chain articles to the store's articles.
void aggiorno_tutto(Run& run) {

}
