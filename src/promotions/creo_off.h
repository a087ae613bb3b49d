#pragma once
class Run;

// Turns the staged promotions into the store's offer documents.
void creo_off(Run& run);
