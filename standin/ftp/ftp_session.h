#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "standin/ftp/ftp_data_channel.h"
#include "standin/ftp/ftp_path.h"
#include "standin/ftp/ftp_settings.h"
#include "standin/ftp/socket_io.h"
#include "standin/service_context.h"
#include "standin/store/account_store.h"

namespace nubexa::standin {

// One control connection of the file server, run on its own thread from greeting to QUIT.
// Everything a session can reach is the signed-in account's own area: folders are looked up
// in the account's tree and bytes live under names made from ids and digests.
class FtpSession {
public:
    // `signIns` counts wrong passwords per address over every session of the server;
    // `takeSignedInPlace` moves the session among the signed-in ones, false when they are full.
    FtpSession(const ServiceContext& service, const FtpSettings& settings, Socket control,
               const StopSignal& stop, PassivePorts& ports, int number, GuessThrottle& signIns,
               std::function<bool()> takeSignedInPlace);

    void run();

private:
    // Returns false when the session ends.
    bool dispatch(const std::string& verb, const std::string& argument);
    bool reply(int code, const std::string& text);
    bool replyLines(int code, const std::string& first, const std::vector<std::string>& lines,
                    const std::string& last);

    // Sign-in and small commands (ftp_session.cpp).
    bool onUser(const std::string& argument);
    bool onPass(const std::string& argument);
    bool onType(const std::string& argument);
    bool onFeat();
    bool onOpts(const std::string& argument);

    // TLS as RFC 4217 has it (ftp_tls_commands.cpp).
    bool onAuth(const std::string& argument);
    bool onPbsz(const std::string& argument);
    bool onProt(const std::string& argument);
    // Protects a data connection when PROT P asked for it; false (after a reply) when the
    // handshake failed.
    bool protectData(Socket& connection);

    // Folders and look-ups (ftp_navigation.cpp).
    bool onCwd(const std::string& argument);
    bool onPwd();
    bool onList(const std::string& argument, bool namesOnly);
    bool onSize(const std::string& argument);
    std::optional<std::int64_t> folderOf(const FtpPath& path);

    // What a file command names: a finalised file, the avatar, or a staged upload.
    struct Target {
        std::string path;  // on disk
        std::int64_t size = 0;
        std::string label;
    };
    // byName: also a finalised file of that name in the folder the path names.
    std::optional<Target> readableTarget(const std::string& argument, bool byName);
    std::optional<Target> stagedTarget(const std::string& argument, std::int64_t& folderId,
                                       std::string& name);

    // Data transfers and the final rename (ftp_transfers.cpp).
    bool onPassive(bool extended);
    bool onRest(const std::string& argument);
    bool onRetr(const std::string& argument);
    bool onStore(const std::string& argument, bool append);
    bool onRnfr(const std::string& argument);
    bool onRnto(const std::string& argument);
    // Replies 150 with `opening` and takes the client's data connection; false (after a 425
    // reply) when there is none.
    // The signed-in account's disk size less what its stored files take.
    std::int64_t freeSpace() const;
    bool openTransfer(Socket& connection, const std::string& opening);

    void log(const std::string& text);
    // What is left of the time to sign in, within `limitMs`.
    int signInTimeLeftMs(int limitMs) const;
    bool signedIn() const { return m_account.has_value(); }

    const ServiceContext& m_service;
    const FtpSettings& m_settings;
    Socket m_control;
    const StopSignal& m_stop;
    PassivePorts& m_ports;
    int m_number;
    LineReader m_reader;
    std::string m_peer;
    int m_lastCode = 0;  // of the last reply, for the log

    std::string m_user;
    std::optional<Account> m_account;
    int m_failedLogins = 0;
    GuessThrottle& m_signIns;
    std::function<bool()> m_takeSignedInPlace;
    std::chrono::steady_clock::time_point m_signInDeadline;
    std::int64_t m_folderId = 0;
    std::vector<std::string> m_folderNames;
    std::int64_t m_restOffset = 0;
    DataChannel m_data;
    std::string m_renameFrom;      // staged path named by RNFR
    bool m_bufferSizeSet = false;  // PBSZ came after AUTH TLS
    bool m_protectData = false;    // PROT P
    std::string m_tlsTie;          // in the TLS sessions of this control connection
};

}  // namespace nubexa::standin
