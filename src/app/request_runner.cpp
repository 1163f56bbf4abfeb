#include "app/request_runner.h"

namespace nubexa::app {

RequestRunner::RequestRunner(GuiBridge& bridge) : m_bridge(bridge) {
    // A sign-in, a listing and a notice may overlap; more would only queue at the service.
    m_pool.setMaxThreadCount(3);
}

RequestRunner::~RequestRunner() {
    m_pool.waitForDone();
}

}  // namespace nubexa::app
