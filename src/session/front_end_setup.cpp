#include "session/front_end_setup.h"

#include <ace/Log_Msg.h>

#include "keychain/keychain_secret_store.h"

namespace nubexa {

std::unique_ptr<SecretStore> desktopSecretStore() {
    return std::make_unique<KeychainSecretStore>();
}

void quietEngineLog() {
    ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
}

}  // namespace nubexa
