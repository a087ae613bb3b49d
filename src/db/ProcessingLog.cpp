#include "db/ProcessingLog.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/Database.h"

namespace db {

ProcessingLog::ProcessingLog(Database& store)
    : insert_(std::make_unique<Query>(
          store, QStringLiteral("INSERT INTO variatidivulgazioni (codart, costov, coston, codafov, "
                                "codafon, ean, ivart, desart, numpro, datain, datafi, despro, prezpubn, "
                                "prezpubv, tipoelaborazione, tipoagg, desrep, umart) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))) {}

ProcessingLog::~ProcessingLog() = default;

void ProcessingLog::append(const LogRow& r) {
    const auto single = [](common::Amount a) { return common::toSingle(a).toDouble(); };
    insert_->exec({r.codart, single(r.costov), single(r.coston), r.codafov, r.codafon, r.ean, r.ivart, r.desart,
                   r.numpro, common::dateValue(r.datain), common::dateValue(r.datafi),
                   r.despro.isValid() ? r.despro : QVariant(r.desart), single(r.prezpubn), single(r.prezpubv),
                   r.tipoelaborazione, r.tipoagg, r.desrep, r.umart});
}

}  // namespace db
