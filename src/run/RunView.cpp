#include "run/RunView.h"

#include <algorithm>

const char* nameOf(Box box) {
    static const char* const names[] = {
#define LIS06C_NAME(name) #name,
        LIS06C_BOXES(LIS06C_NAME)
#undef LIS06C_NAME
    };
    return names[static_cast<int>(box)];
}

const char* nameOf(Bar bar) {
    static const char* const names[] = {"ProgressBar1", "ProgressBar2", "ProgressBar3"};
    return names[static_cast<int>(bar)];
}

const char* nameOf(Circle circle) {
    static const char* const names[] = {"Shape1", "Shape2", "Shape3"};
    return names[static_cast<int>(circle)];
}

const char* nameOf(Stage stage) {
    static const char* const names[] = {"Catalogo", "Articoli", "Documenti", "Promozioni", "Stampa"};
    return names[static_cast<int>(stage)];
}

void HeldMessages::show() {
    for (const auto& [text, title] : held_) view_.message(text, title);
    held_.clear();
}

Progress::Progress(RunView& view, Bar bar, qint64 total) : view_(view), bar_(bar), total_(std::max<qint64>(total, 1)) {
    view_.setProgress(bar_, 0);
    view_.setVisible(bar_, true);
}

void Progress::step() {
    ++done_;
    const int value = static_cast<int>(std::min<qint64>(done_, total_) * 20000 / total_);
    if (value == shown_) return;
    shown_ = value;
    view_.setProgress(bar_, value);
}

bool Refresh::due() {
    // The window paints about every 33 ms: a box changes at least as often.
    constexpr auto kPeriod = std::chrono::milliseconds(30);
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return false;
    next_ = now + kPeriod;
    return true;
}
