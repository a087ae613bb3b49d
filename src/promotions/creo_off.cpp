#include "promotions/creo_off.h"

#include "shell/Run.h"

// Turns the staged promotions into the store's offer documents.
void creo_off(Run& run) {

}
