#include "articles/creo_art_nuovo_forni.h"
