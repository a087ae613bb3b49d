#pragma once
class Run;

// Stages the chain's promotions. False when the chain database or file is
// missing (no offer documents are then made).
bool ElaboraPromozioni(Run& run);
