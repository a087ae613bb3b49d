#include "articles/creo_art_nuovo.h"
