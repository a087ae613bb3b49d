#include "run/RunConfig.h"

#include "common/Numbers.h"

double switchValue(const QString& text) { return common::numericValue(text); }

QString RunConfig::priceListCode() const { return common::zeroPad(codfor_affil, 6).left(6); }
