#pragma once

#include <optional>
#include <string>

namespace nubexa::app {

// The user panel's capacity as the sign-in answer gave it: the disk's size and the part used,
// in that order. Plain functions, any thread.

// "5.00 GB / 1.00 MB" when both are byte counts; the service's own texts as they came
// otherwise (a service that already sends "5G" is shown as it says).
std::string capacityText(const std::string& diskSize, const std::string& usedSize);

// How full the disk is, 0 to 1; none when the two are not byte counts of a disk of some size.
std::optional<double> capacityLevel(const std::string& diskSize, const std::string& usedSize);

}  // namespace nubexa::app
