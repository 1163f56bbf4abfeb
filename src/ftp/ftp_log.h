#pragma once

#include <ace/INET_Addr.h>

#include <string>

namespace nubexa::ftp_log {

// Entries of the FTP engine through ACE_Log_Msg, recorded with the source name "ftp_client",
// the caller's line and the last system error. Each entry is one line.
void connectionFailed(int line);
void connected(int line, const std::string& hostAddress, unsigned port);
// The address is written out per call: ACE's get_host_addr() without a buffer shares one static
// buffer among all threads, so two workers connecting at once garbled each other's entry.
void connected(int line, const ACE_INET_Addr& address);
void openFailed(int line, const std::string& localFileName);
// "%p" with the failed operation ("get_info", "write").
void systemError(int line, const char* operation);
void info(int line, const char* text);

}  // namespace nubexa::ftp_log
