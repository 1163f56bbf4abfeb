#include "ftp/ftp_log.h"

#include <ace/Log_Msg.h>

#include <cerrno>

namespace nubexa::ftp_log {

namespace {

constexpr const char* kSource = "ftp_client";

ACE_Log_Msg* positioned(int line) {
    const int lastError = errno;
    ACE_Log_Msg* log = ACE_Log_Msg::instance();
    log->conditional_set(kSource, line, -1, lastError);
    return log;
}

}  // namespace

void connectionFailed(int line) {
    positioned(line)->log(LM_ERROR, ACE_TEXT("(%P|%t) %p\n"), ACE_TEXT("connection failed"));
}

void connected(int line, const std::string& hostAddress, unsigned port) {
    positioned(line)->log(LM_DEBUG, ACE_TEXT("(%P|%t) connected to (%s:%d)\n"), hostAddress.c_str(),
                          static_cast<int>(port));
}

void connected(int line, const ACE_INET_Addr& address) {
    char host[INET6_ADDRSTRLEN] = {};
    address.get_host_addr(host, sizeof host);
    connected(line, host, address.get_port_number());
}

void openFailed(int line, const std::string& localFileName) {
    positioned(line)->log(LM_ERROR, ACE_TEXT("%p to %s\n"), ACE_TEXT("open"),
                          localFileName.c_str());
}

void systemError(int line, const char* operation) {
    positioned(line)->log(LM_ERROR, ACE_TEXT("%p\n"), operation);
}

void info(int line, const char* text) {
    positioned(line)->log(LM_INFO, ACE_TEXT("%s"), text);
}

}  // namespace nubexa::ftp_log
