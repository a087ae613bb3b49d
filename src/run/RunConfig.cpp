#include "run/RunConfig.h"

#include "common/ChainFile.h"
#include "common/Numbers.h"

double defaultSettleSeconds() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("LIS06C_SETTLE_SECONDS").toDouble(&ok);
    return ok && seconds >= 0 ? seconds : 5;
}

qint64 defaultMaxFileBytes() {
    bool ok = false;
    const qint64 mb = qEnvironmentVariable("LIS06C_MAX_FILE_MB").toLongLong(&ok);
    return ok && mb > 0 ? mb << 20 : common::ReadLimits::kDefaultMaxBytes;
}

int defaultBackupsKept() {
    bool ok = false;
    const int n = qEnvironmentVariable("LIS06C_BACKUPS_KEPT").toInt(&ok);
    return ok && n > 0 ? n : 10;
}

double switchValue(const QString& text) { return common::numericValue(text); }

QString RunConfig::priceListCode() const { return common::zeroPad(codfor_affil, 6).left(6); }
