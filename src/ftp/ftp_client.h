#pragma once

#include <ace/INET_Addr.h>
#include <ace/SOCK_Stream.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ftp/ftp_options.h"
#include "ftp/progress_reporter.h"
#include "ftp/reply_framer.h"
#include "ftp/tls_link.h"
#include "ftp/transfer_task.h"

namespace nubexa {

class Notifier;
class UploadRegistrar;
struct ReadRequest;
struct ReadResult;
using ReadSink = std::function<bool(const char* data, std::size_t size)>;

// What one transfer cost, for the command-line companion and the benchmark.
struct TransferStats {
    using Clock = std::chrono::steady_clock;
    ProgressStats progress;
    std::optional<Clock::time_point> connectStarted;
    std::optional<Clock::time_point> firstDataByte;
    std::int64_t bytesMoved = 0;
};

// How the last Download or Upload ended: 1 from either means completed or stopped (the row was
// paused or deleted, or every transfer is stopping); this tells the two apart. With 0, kRefused
// means that running it again would end the same way (lastRefusal() says why); kFailed may
// pass on a retry.
enum class RunEnd { kFailed, kCompleted, kStopped, kRefused };

// How a download's data disagreed with the size it was bound by (a refusal of the last run).
struct SizeProblem {
    enum class Kind { kNone, kLonger, kShorter };
    // Where the bound came from: the task's listed size, the server's SIZE answer (the listed
    // size was unknown), or FtpOptions::unknownSizeLimit (SIZE was not answered either).
    enum class Bound { kListed, kSizeAnswer, kLimit };
    Kind kind = Kind::kNone;
    Bound bound = Bound::kListed;
    std::int64_t expected = 0;  // the bound in bytes
    std::int64_t received = 0;  // what was kept: the bound when longer, where the data ended
};
// The refusal's words for the user.
std::string sizeProblemText(const SizeProblem& problem);

// The client end of one FTP connection with the file server: one sign-in, one transfer, then
// the object is destroyed (no reuse, no reconnection). Owned by one transfer thread and not
// shared; nothing in it is thread-safe, but any number of clients run side by side.
// Progress goes to the ProgressSinks (the transfer layer keeps it in the task's row); messages
// for the user through the Notifier (a box without caption).
class FTPClient {
public:
    FTPClient(std::string host, std::uint16_t port, std::string userName, std::string password,
              int serverKind, ProgressSinks& progress, Notifier& notifier, FtpOptions options = {});
    virtual ~FTPClient();
    FTPClient(const FTPClient&) = delete;
    FTPClient& operator=(const FTPClient&) = delete;

    // ConnectAndLogin with a greeting expected.
    bool FtpLogin();
    // Connect (a connection left by an earlier attempt is closed first), greeting when
    // expected (220), USER (331), PASS (230), and for serverKind 3 two further 230 replies.
    // A USER answered 230 is signed in without PASS.
    bool ConnectAndLogin(bool expectGreeting);
    bool Syst();
    // CWD (250) then PWD (257).
    bool ChangeDir(const std::string& directory);
    // Records the folder that local file names of tasks without a local_path resolve against;
    // the process's current directory is never changed. True when the folder exists.
    bool ChangeLocalDir(const std::string& directory);
    // QUIT (221), after reading any reply still owed for an earlier command. Does not close.
    bool Quit();

    // Why the last sign-in failed when it was for the connection's protection (a certificate
    // refused: "证书无法验证：…", or a server without TLS where TLS was required); empty
    // otherwise.
    const std::string& securityProblem() const { return m_securityProblem; }
    // The server's last reply, as read (QUIT's excepted); empty before the greeting (no
    // connection was made).
    const std::string& lastReply() const { return m_lastReply; }
    // Whether the control connection, and the data connections, are protected.
    bool controlSecured() const { return m_controlTls.secured(); }
    bool dataProtected() const { return m_dataProtected; }
    // The last sign-in went on in clear text because the server refused AUTH TLS (with
    // FtpSecurity::kTlsIfOffered): the password and the files are readable on the way.
    bool signedInClear() const { return m_signedInClear; }

    // Kept open: Download and Upload end without QUIT, so that the owner may run the next
    // transfer on the same sign-in (and sends QUIT itself when it is done).
    void setKeepOpen(bool keepOpen) { m_keepOpen = keepOpen; }
    // How many connections one download of a big file may use at once (FtpRangeOptions); the
    // others sign in beside this one, in the folder it changed to. 1: one, as for any file.
    void setDownloadConnections(int connections) { m_downloadConnections = connections; }
    // Another client for the same server and user, signed in and in the folder this one
    // changed to; null when the sign-in failed. `stop` ends its waits.
    std::unique_ptr<FTPClient> signedInBeside(const std::atomic<bool>* stop) const;
    // Starts signing in up to `count` clients beside this one, in `folder` (where this one goes
    // next), each once FtpOptions::extraConnections grants it: the next download of a big file
    // in that folder fetches its ranges over them without waiting for their sign-ins. What that
    // download leaves is closed at its end, or with this client.
    void prepareBeside(int count, const std::string& folder);
    // Whether the connection can carry another transfer: open, no reply owed, and nothing
    // arrived unasked (a server closing an idle connection says so or just hangs up).
    bool reusable() const;
    // Sends one whole command line (line end included); true when every byte went.
    bool SendCommand(const std::string& line);
    // Reads one reply (with its line ends) within the reply time limit; on time-out the reply is
    // whatever arrived. Always true.
    bool ReadReply(std::string& reply);

    // Fetches the task's remote file into local_path/local_file_name, resuming at the recorded
    // bytes. The bytes go into the partial file (partialNameOf) until the file is complete; a
    // task of an earlier version continues its file under the real name. 1: the file is
    // complete, or the run stopped because the row is no longer running; 0: failed or
    // unfinished (the caller gives the task back).
    int Download(TransferTask& task);
    // Sends local_path/local_file_name, resuming after the recorded bytes. With a registrar the
    // file is then registered and renamed to its id + extension; the row is complete (status
    // 100) only when both succeeded. Without one (nullptr) the run ends when the server has the
    // bytes. 1: complete, or stopped because the row is no longer running; 0: failed or
    // unfinished (the caller gives the task back; running it again is safe).
    int Upload(TransferTask& task, UploadRegistrar* registrar = nullptr);
    // Hands the bytes of a remote file, from the request's offset and at most its length, to
    // `sink` (read_run.h). Writes no row and no file.
    ReadResult Read(const ReadRequest& request, const ReadSink& sink);
    RunEnd lastRunEnd() const { return m_lastRunEnd; }
    // Why the last run was refused, in words for the user; empty unless lastRunEnd() is kRefused.
    const std::string& lastRefusal() const { return m_lastRefusal; }
    const SizeProblem& lastSizeProblem() const { return m_lastSizeProblem; }
    // RNFR (350, or 226) then RNTO (250, or a reply of one blank). On a connection kept open
    // the next transfer's PASV goes with them: its answer comes in the same round trip.
    bool Rename(const std::string& oldName, const std::string& newName);

    // SIZE of a remote file; empty when the server does not answer 213 with a number.
    std::optional<std::int64_t> RemoteSize(const std::string& name);
    // The size a SIZE reply (213) names; empty for any other reply.
    static std::optional<std::int64_t> sizeIn(const std::string& reply);

    // (name, extension) as the file is registered (splitRemoteName): a leading or trailing
    // dot, or an extension the service would refuse, leaves the whole name as the name.
    static std::pair<std::string, std::string> SplitNameExt(const std::string& fileName);

    void setProgressListener(ProgressListener listener) { m_listener = std::move(listener); }
    const TransferStats& stats() const { return m_stats; }
    int serverKind() const { return m_serverKind; }

private:
    friend class TransferRun;
    friend class DownloadRun;
    friend class UploadRun;
    friend class ReadRun;
    friend class RangeRun;
    friend class SegmentedDownload;

    // Sends `verb` [+ " " + argument] and reads its reply. Empty optional: not sent whole (the
    // step counts as passed); empty text: no reply, or an argument that would break the line.
    std::optional<std::string> exchange(const std::string& verb, const std::string& argument = {});
    bool expectCode(const std::string& verb, const std::string& argument,
                    std::initializer_list<const char*> codes);
    // TYPE I, once per connection: the server keeps the type until the connection ends, and
    // every transfer of this client is binary.
    void binaryType();
    void readOwedReplies();
    // Whether the control connection runs over IPv6, where PASV cannot name the address.
    bool overIpv6();
    // A PASV answer read ahead (with a rename) and still fresh; taken once.
    std::optional<std::string> takePassiveInHand();
    // A line break inside an argument would smuggle a second command onto the control
    // connection.
    static bool fitsOnOneLine(const std::string& argument);
    void closeControl();
    // The TLS steps of a sign-in (ftp_client_tls.cpp). False ends the sign-in.
    bool secureControl(bool implicit);
    bool protectDataConnections();
    // Starts TLS on a data connection the way the control connection was protected.
    bool secureData(ACE_HANDLE handle, TlsLink& link, StopFlag stop);
    void trace(const std::string& text) const;

    std::string localPathOf(const TransferTask& task) const;

    using Prepared = std::future<std::unique_ptr<FTPClient>>;
    std::unique_ptr<FTPClient> openBeside(const std::string& folder,
                                          const std::atomic<bool>* stop) const;
    // A client prepareBeside() started for the folder this one is in; none when there is none.
    std::optional<Prepared> takePrepared();
    // Closes the prepared clients nobody took; their places are given back.
    void dropPrepared();

    const std::string m_userName;
    const std::string m_password;
    const std::string m_host;
    const std::uint16_t m_port;
    ACE_INET_Addr m_serverAddress;
    ACE_SOCK_Stream m_control;
    TlsLink m_controlTls;
    std::shared_ptr<TlsClientContext> m_tlsContext;
    bool m_dataProtected = false;
    std::string m_securityProblem;
    bool m_signedInClear = false;
    const int m_serverKind;

    ProgressSinks& m_progress;
    Notifier& m_notifier;
    const FtpOptions m_options;
    ReplyFramer m_framer;
    bool m_controlOpen = false;
    bool m_controlEnded = false;  // the server closed the control connection
    int m_owedReplies = 0;        // completion replies of transfers not read yet
    std::string m_lastReply;
    std::string m_localDirectory;
    ProgressListener m_listener;
    TransferStats m_stats;
    RunEnd m_lastRunEnd = RunEnd::kFailed;
    std::string m_lastRefusal;
    SizeProblem m_lastSizeProblem;
    bool m_keepOpen = false;
    int m_downloadConnections = 1;
    std::string m_remoteFolder;        // the argument of the last accepted CWD
    bool m_binary = false;             // TYPE I was accepted on this connection
    std::vector<Prepared> m_prepared;  // signing in on their own threads
    std::string m_preparedFolder;
    struct PassiveInHand {
        std::string reply;
        std::chrono::steady_clock::time_point when;
    };
    std::optional<PassiveInHand> m_passiveInHand;
};

}  // namespace nubexa
