#include "shell/RunWorker.h"

RunWorker::RunWorker(Paths paths, RunOptions options, RunView& view)
    : counter_(db::WriteCounter::fromEnvironment()),
      core_(std::move(paths), std::move(options), view, clock_, &counter_) {}

RunWorker::~RunWorker() { shutdown(); }

void RunWorker::load() { emit loaded(core_.load()); }

void RunWorker::runOnce() { emit ran(core_.runOnce()); }

void RunWorker::shutdown() { core_.close(); }
