#pragma once
#include <QtGlobal>

struct Run;

// Turns the staged promotions into the store's offer documents of `year`.
void creo_off(const Run& run, qint32 year);
