#include "session/plain_ftp.h"

#include <filesystem>

#include "ftp/ftp_client.h"
#include "session/scratch_task_rows.h"
#include "store/store_gate.h"
#include "transfer/row_progress.h"

namespace nubexa {

namespace {

FtpTlsOptions tlsOf(const PlainFtpRequest& request) {
    FtpTlsOptions tls;
    tls.caFile = request.caFile;
    switch (request.security) {
        case PlainFtpSecurity::kClear:
            tls.security = FtpSecurity::kClear;
            break;
        case PlainFtpSecurity::kTlsIfOffered:
            tls.security = FtpSecurity::kTlsIfOffered;
            break;
        case PlainFtpSecurity::kTlsRequired:
            tls.security = FtpSecurity::kTlsRequired;
            break;
        case PlainFtpSecurity::kImplicitTls:
            tls.security = FtpSecurity::kImplicitTls;
            break;
    }
    return tls;
}

PlainFtpSizeProblem sizeProblemOf(const SizeProblem& problem) {
    PlainFtpSizeProblem size;
    size.shorter = problem.kind == SizeProblem::Kind::kShorter;
    switch (problem.bound) {
        case SizeProblem::Bound::kListed:
            size.bound = PlainFtpSizeProblem::Bound::kListed;
            break;
        case SizeProblem::Bound::kSizeAnswer:
            size.bound = PlainFtpSizeProblem::Bound::kSizeAnswer;
            break;
        case SizeProblem::Bound::kLimit:
            size.bound = PlainFtpSizeProblem::Bound::kLimit;
            break;
    }
    size.expected = problem.expected;
    size.received = problem.received;
    return size;
}

double millisecondsBetween(TransferStats::Clock::time_point from,
                           TransferStats::Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

PlainFtpStats statsOf(const FTPClient& client) {
    const auto& stats = client.stats();
    const auto now = TransferStats::Clock::now();
    const auto start = stats.connectStarted.value_or(now);
    PlainFtpStats result;
    result.bytes = stats.bytesMoved;
    result.seconds = millisecondsBetween(start, now) / 1000;
    result.firstByteMs =
        stats.firstDataByte ? millisecondsBetween(start, *stats.firstDataByte) : -1.0;
    result.progressWrites = stats.progress.writes;
    result.progressMs = std::chrono::duration<double, std::milli>(stats.progress.time).count();
    return result;
}

PlainFtpResult transfer(const PlainFtpRequest& request, StoreGate& gate, FTPClient& client,
                        PlainFtpListener& listener) {
    using Outcome = PlainFtpResult::Outcome;
    PlainFtpResult result;
    client.setProgressListener([&listener](const TaskProgress& progress) {
        listener.progress({progress.percent, progress.done, progress.fileSize, progress.speedKBps});
    });
    if (!client.FtpLogin()) {
        result.securityProblem = client.securityProblem();
        result.reply = client.lastReply();
        result.outcome = !result.securityProblem.empty() ? Outcome::kInsecure
                         : result.reply.empty()          ? Outcome::kUnreachable
                                                         : Outcome::kSignInRefused;
        return result;
    }
    if (client.signedInClear())
        listener.signedInClear();
    client.Syst();
    if (!request.directory.empty() && !client.ChangeDir(request.directory)) {
        client.Quit();
        result.outcome = Outcome::kNoFolder;
        return result;
    }
    const std::filesystem::path local(request.localFile);
    const std::string folder = local.parent_path().string();
    client.ChangeLocalDir(folder);

    ScratchTaskRows rows(gate);
    NewTaskRow key{request.owner,     folder, local.filename().string(),
                   request.fileName,  0,      task_status::kRunning,
                   request.directory, "0"};
    TransferTask task;
    int moved = 0;
    bool sizeRefused = false;
    if (request.direction == Direction::kDownload) {
        if (!rows.findUnfinished(key, ran_type::kDownload)) {
            if (std::filesystem::exists(local)) {
                client.Quit();
                result.outcome = Outcome::kLocalExists;
                return result;
            }
            // In ASCII mode a server may refuse SIZE (its answer would depend on line ends).
            std::string typeReply;
            if (client.SendCommand("TYPE I\r\n"))
                client.ReadReply(typeReply);
            // Without a size the row takes the real one at the end of the data.
            const auto size = client.RemoteSize(request.fileName);
            // In binary mode a 550 to SIZE most often means there is no such file; some servers
            // refuse SIZE that way all the same, so only a RETR that fails too is taken as that.
            sizeRefused = !size && client.lastReply().rfind("550", 0) == 0;
            key.fileSize = size.value_or(0);
        }
        task = rows.startDownload(key);
        client.setDownloadConnections(request.connections);
        moved = client.Download(task);
    } else {
        key.fileSize = static_cast<std::int64_t>(std::filesystem::file_size(local));
        task = rows.startUpload(key);
        moved = client.Upload(task, nullptr);
    }
    result.reply = client.lastReply();
    if (moved <= 0) {
        rows.giveBack(task.id);
        const bool nothingMoved = rows.load(task.id).transferSize == 0;
        if (client.lastSizeProblem().kind != SizeProblem::Kind::kNone) {
            result.outcome = Outcome::kSizeProblem;
            result.sizeProblem = sizeProblemOf(client.lastSizeProblem());
        } else if (request.direction == Direction::kDownload &&
                   (result.reply.rfind("550", 0) == 0 || (sizeRefused && nothingMoved))) {
            result.outcome = Outcome::kNoSuchFile;
        } else if (!result.reply.empty() && result.reply[0] == '5') {
            result.outcome = Outcome::kRefused;
        } else {
            result.outcome = Outcome::kUnfinished;
        }
        return result;
    }
    const StoredTask stored = rows.load(task.id);
    const bool complete = request.direction == Direction::kDownload
                              ? stored.transferSchedule == 100
                              : stored.status == task_status::kComplete;
    if (!complete) {
        result.outcome = Outcome::kStopped;
        return result;
    }
    // The service's file server keeps what it is sent aside until the web API registers it.
    result.staged =
        request.direction == Direction::kUpload && result.reply.find("staged") != std::string::npos;
    return result;
}

}  // namespace

PlainFtpResult transferPlainFtp(const PlainFtpRequest& request, PlainFtpListener& listener,
                                Notifier& notifier) {
    StoreGate gate(request.databasePath);
    // bin.db is opened (and made) before the server is contacted, as in the client, where it
    // is open long before any transfer.
    gate.run([](LocalStore&) {});
    FtpOptions options;
    options.maxBytesPerSecond = request.maxBytesPerSecond;
    // Connections the user asked for are used from the start.
    options.ranges.probe = std::chrono::milliseconds(0);
    options.tls = tlsOf(request);
    // Beside the bin.db in use: the data folder's memory of encrypted servers.
    options.tls.encryptedHosts =
        encryptedHostsIn(std::filesystem::path(gate.databasePath()).parent_path().string());
    if (!request.trace)
        options.trace = nullptr;
    RowProgress rows(gate);
    FTPClient client(request.host, request.port, request.user, request.password, 0, rows, notifier,
                     options);
    PlainFtpResult result = transfer(request, gate, client, listener);
    result.stats = statsOf(client);
    return result;
}

}  // namespace nubexa
