#include "app/request_runner.h"

namespace nubexa::app {

// A sign-in, a listing and a notice may overlap; more would only queue at the service.
RequestRunner::RequestRunner(GuiBridge& bridge)
    : m_calls([&bridge](std::function<void()> apply) { bridge.post(std::move(apply)); }, 3) {}

}  // namespace nubexa::app
