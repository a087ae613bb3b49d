#include "shell/Run.h"

#include "common/Numbers.h"

double switchValue(const QString& text) { return common::numericValue(text); }

Run::Run(RunContext context, db::Database& store_, db::Database& chain_, RunView& view_,
         const Clock& clock_, RunOptions options_)
    : ctx(std::move(context)),
      store(store_),
      chain(chain_),
      view(view_),
      clock(clock_),
      options(std::move(options_)),
      log(store_) {}

const common::ChainFile* Run::chainFile() {
    if (!chainFile_) chainFile_ = common::ChainFile::load(ctx.paths.chainFile());
    return chainFile_ ? &*chainFile_ : nullptr;
}

void Agg_Rec_divulga(Run& run) {
    run.log.append(run.ctx.log, run.ctx.currentEan);
    run.ctx.log.resetAfterWrite();
}
