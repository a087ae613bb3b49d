#include "run/RunConfig.h"

#include "common/ChainFile.h"
#include "common/Numbers.h"

qint64 defaultMaxFileBytes() {
    bool ok = false;
    const qint64 mb = qEnvironmentVariable("LIS06C_MAX_FILE_MB").toLongLong(&ok);
    return ok && mb > 0 ? mb << 20 : common::ReadLimits::kDefaultMaxBytes;
}

double switchValue(const QString& text) { return common::numericValue(text); }

QString RunConfig::priceListCode() const { return common::zeroPad(codfor_affil, 6).left(6); }
