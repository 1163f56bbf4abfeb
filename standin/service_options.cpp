#include "standin/service_options.h"

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

bool parsePort(const std::string& text, int low, int& port) {
    const auto value = parseCount(text);
    if (!value || *value < low || *value > 65535)
        return false;
    port = static_cast<int>(*value);
    return true;
}

}  // namespace

bool parseEndpoint(const std::string& text, std::string& host, int& port, std::string& error) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        error = "expected HOST:PORT, got \"" + text + "\"";
        return false;
    }
    std::string name = text.substr(0, colon);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    if (!parsePort(text.substr(colon + 1), 0, port)) {
        error = "the port of \"" + text + "\" is not a number from 0 to 65535";
        return false;
    }
    host = name;
    return true;
}

bool parsePortRange(const std::string& text, int& low, int& high, std::string& error) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || !parsePort(text.substr(0, dash), 1, low) ||
        !parsePort(text.substr(dash + 1), 1, high) || high < low) {
        error = "expected a port range LOW-HIGH, got \"" + text + "\"";
        return false;
    }
    return true;
}

}  // namespace nubexa::standin
