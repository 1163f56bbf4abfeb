#pragma once

#include <functional>
#include <string>

#include "transfer/remote_files.h"

namespace nubexa {

class Notifier;
class ServiceClient;
class StoreGate;
class TransferListener;

// The signed-in user's picture, fetched like any small file of the file server (from the account
// pictures' folder) and kept below the program folder: written whole or not at all (a cut picture
// would pass for the avatar at the next sign-in), then noted in the account and the user's newest
// sign-in row, and told to the transfer listener. Any thread.
class AvatarKeeper : public RemoteFileListener {
public:
    // `listener`: who hears that the picture is there, asked at that moment (null: nobody).
    AvatarKeeper(StoreGate& gate, ServiceClient& service, Notifier& notifier,
                 std::string programFolder, std::function<TransferListener*()> listener);

    // The request for the account's picture `avatar` (its file name on the server).
    static RemoteFileRequest request(const std::string& avatar);

    void remoteFileFetched(const RemoteFileResult& result) override;

private:
    StoreGate& m_gate;
    ServiceClient& m_service;
    Notifier& m_notifier;
    const std::string m_programFolder;
    std::function<TransferListener*()> m_listener;
};

}  // namespace nubexa
