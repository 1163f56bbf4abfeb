#include "transfer/running_counts.h"

namespace nubexa {

void RunningCounts::add(Direction direction, const StoreGate::Bracket&) {
    counter(direction).fetch_add(1);
}

void RunningCounts::remove(Direction direction, const StoreGate::Bracket&) {
    auto& count = counter(direction);
    int value = count.load();
    while (value > 0 && !count.compare_exchange_weak(value, value - 1)) {
    }
}

}  // namespace nubexa
