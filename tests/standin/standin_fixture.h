#pragma once

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "standin/standin_service.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// The client's side of the wire, written here independently of the client's code.
std::string clientUrlEncode(const std::string& text);
std::string md5Upper(const std::string& text);
// The client runs the whole answer through this before parsing.
std::string percentDecodeAnswer(const std::string& body);

// A parsed answer.
class Answer {
public:
    explicit Answer(const std::string& body);

    bool parsed() const { return m_root != nullptr; }
    std::string result() const { return text("result"); }
    std::string text(const char* child) const;
    // Attribute of the first child element of that name; empty when missing.
    std::string attr(const char* child, const char* name) const;
    // The element children of a list element ("files", "folders", "anncs").
    std::vector<const tinyxml2::XMLElement*> items(const char* list) const;
    // Names of root children in order.
    std::vector<std::string> childNames() const;
    const std::string& decoded() const { return m_decoded; }

private:
    std::string m_decoded;
    tinyxml2::XMLDocument m_document;
    const tinyxml2::XMLElement* m_root = nullptr;
};

std::string attrOf(const tinyxml2::XMLElement* element, const char* name);

struct Param {
    std::string key;
    std::string value;
    bool encoded = false;  // goes through clientUrlEncode first
};

struct Credentials {
    std::string uid;
    std::string token;
    std::string paramToken;
    std::string ftpUser;
    std::string ftpPassword;
    std::string avatar;
};

// A running service on free loopback ports with its data in a fresh folder.
class StandinTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts (again) on the same data folder; `adjust` may change the options first.
    void startService(bool seed = true,
                      const std::function<void(standin::ServiceOptions&)>& adjust = {});

    std::string baseUrl() const;
    int ftpPort() const { return m_service->ftpPort(); }
    const std::string& dataFolder() const { return m_data.path(); }

    // A GET of path+query as written, bytes unchanged; the raw body.
    std::string get(const std::string& target, int* status = nullptr);
    Answer call(const std::string& target) { return Answer(get(target)); }

    Credentials login(const std::string& name, const std::string& password);
    // The signed query as the client composes it: uid, token, params, sign.
    std::string signedTarget(const std::string& path, const Credentials& who,
                             const std::vector<Param>& params, bool signHashOnly = false);
    Answer signedCall(const std::string& path, const Credentials& who,
                      const std::vector<Param>& params, bool signHashOnly = false) {
        return call(signedTarget(path, who, params, signHashOnly));
    }

    // Helpers over the operations.
    std::string addFolder(const Credentials& who, const std::string& parent,
                          const std::string& name);
    // Registers and delivers a file through FileAdd and the file server; its new id.
    std::string upload(const Credentials& who, const std::string& folderPath,
                       const std::string& dirId, const std::string& fileName,
                       const std::string& bytes);
    Answer listFolder(const Credentials& who, const std::string& dir,
                      const std::string& order = "name", const std::string& desc = "0");
    // name+ext of every file and name of every folder in a listing answer.
    static std::vector<std::string> fileNames(const Answer& answer);
    static std::vector<std::string> folderNames(const Answer& answer);

    std::vector<std::string> logLines() const;

    TempDir m_data;
    std::unique_ptr<standin::StandinService> m_service;
    mutable std::mutex m_logMutex;
    std::vector<std::string> m_log;
    Credentials m_demo;
};

}  // namespace nubexa::test
