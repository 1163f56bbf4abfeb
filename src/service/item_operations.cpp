// The item operations: one signed GET to /fileservice.asmx/, the answer read by attributes.
#include "service/attribute_answer.h"
#include "service/service_client.h"
#include "service/signed_query.h"

namespace nubexa {

SignedQuery ServiceClient::itemQuery(const char* operation, const std::string& uid,
                                     const std::string& token) {
    SignedQuery query(std::string("/fileservice.asmx/") + operation);
    query.add("uid", uid).add("token", token);
    return query;
}

int ServiceClient::judged(const SignedQuery& query, Repeat repeat, ServiceVerdict* why) const {
    AttributeAnswer answer;
    const Failure failure = fetchAttributes(query.signedUrl(m_frame.apiHost()), repeat, answer);
    const bool accepted = failure == Failure::kNone && answer.accepted();
    noteRefusal(why, failure, answer);
    return accepted ? 1 : 0;
}

void ServiceClient::noteRefusal(ServiceVerdict* why, Failure failure,
                                const AttributeAnswer& answer) {
    if (why == nullptr)
        return;
    if (failure != Failure::kNone) {
        *why = {failure, {}};
    } else if (!answer.accepted()) {
        *why = {Failure::kRefused, answer.childText("msg")};
    } else {
        *why = {};
    }
}

std::string ServiceClient::resultText(const SignedQuery& query, ServiceVerdict* why) const {
    AttributeAnswer answer;
    const Failure failure =
        fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer);
    noteRefusal(why, failure, answer);
    if (failure != Failure::kNone)
        return "0";
    return answer.resultText().value_or("0");
}

std::string ServiceClient::acceptedAttribute(const SignedQuery& query, const char* element,
                                             const char* attribute, ServiceVerdict* why) const {
    AttributeAnswer answer;
    const Failure failure =
        fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer);
    noteRefusal(why, failure, answer);
    if (failure != Failure::kNone || !answer.accepted())
        return {};
    return AttributeAnswer::attribute(answer.child(element), attribute);
}

// Folders ------------------------------------------------------------------------------------

int ServiceClient::FolderMove(const std::string& uid, const std::string& token,
                              const std::string& dirids, const std::string& targetDirid,
                              ServiceVerdict* why) const {
    ++m_folderChanges;
    return judged(
        itemQuery("FolderMove", uid, token).add("dirids", dirids).add("target_dirid", targetDirid),
        Repeat::kNever, why);
}

int ServiceClient::FolderRename(const std::string& uid, const std::string& token,
                                const std::string& dirid, const std::string& newname,
                                ServiceVerdict* why) const {
    ++m_folderChanges;
    return judged(
        itemQuery("FolderRename", uid, token).add("dirid", dirid).addEncoded("newname", newname),
        Repeat::kBounded, why);
}

int ServiceClient::FolderAndFileRestore(const std::string& uid, const std::string& token,
                                        const std::string& dirids, const std::string& fids,
                                        ServiceVerdict* why) const {
    ++m_folderChanges;
    return judged(
        itemQuery("FolderAndFileRestore", uid, token).add("dirids", dirids).add("fids", fids),
        Repeat::kBounded, why);
}

int ServiceClient::FolderEncrypt(const std::string& uid, const std::string& token,
                                 const std::string& dirid, const std::string& password,
                                 const std::string& passwordTip, ServiceVerdict* why) const {
    return judged(itemQuery("FolderEncrypt", uid, token)
                      .add("dirid", dirid)
                      .add("password", password)
                      .add("password_tip", passwordTip),
                  Repeat::kBounded, why);
}

int ServiceClient::FolderDecrypt(const std::string& uid, const std::string& token,
                                 const std::string& dirid, const std::string& password,
                                 ServiceVerdict* why) const {
    return judged(
        itemQuery("FolderDecrypt", uid, token).add("dirid", dirid).add("password", password),
        Repeat::kBounded, why);
}

std::string ServiceClient::FolderShare(const std::string& uid, const std::string& token,
                                       const std::string& dirids, const std::string& downpwd,
                                       const std::string& downValue, const std::string& description,
                                       ServiceVerdict* why) const {
    return resultText(itemQuery("FolderShare", uid, token)
                          .add("dirids", dirids)
                          .add("downpwd", downpwd)
                          .add("downValue", downValue)
                          .add("description", description),
                      why);
}

int ServiceClient::FolderShareCancle(const std::string& uid, const std::string& token,
                                     const std::string& dirids, ServiceVerdict* why) const {
    return judged(itemQuery("FolderShareCancle", uid, token).add("dirids", dirids),
                  Repeat::kBounded, why);
}

ServiceResult<AddedItem> ServiceClient::addFolder(const std::string& uid, const std::string& token,
                                                  const std::string& pid,
                                                  const std::string& name) const {
    const auto query = itemQuery("FolderAdd", uid, token).add("pid", pid).addEncoded("name", name);
    ++m_folderChanges;
    AttributeAnswer answer;
    if (const Failure failure =
            fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer);
        failure != Failure::kNone) {
        return ServiceResult<AddedItem>::failed(failure);
    }
    AddedItem added;
    if (const auto* folder = answer.child("folder"); folder != nullptr)
        added.id = AttributeAnswer::attribute(folder, "id");
    added.result = answer.accepted() ? 1 : 0;
    if (added.result != 1)
        added.message = answer.childText("msg");
    const Failure failure = added.result == 1 ? Failure::kNone : Failure::kRefused;
    return {std::move(added), failure};
}

int ServiceClient::FolderDelete(const std::string& uid, const std::string& token,
                                const std::string& dirids, const std::string& isReal,
                                ServiceVerdict* why) const {
    ++m_folderChanges;
    return judged(
        itemQuery("FolderDelete", uid, token).add("dirids", dirids).add("is_real", isReal),
        Repeat::kBounded, why);
}

std::string ServiceClient::GetFolderShareLink(const std::string& uid, const std::string& token,
                                              const std::string& dirid, ServiceVerdict* why) const {
    return acceptedAttribute(itemQuery("GetFolderShareLink", uid, token).add("dirid", dirid),
                             "folder", "url", why);
}

std::string ServiceClient::GetFolderEmailShareInfo(const std::string& uid, const std::string& token,
                                                   const std::string& dirid,
                                                   ServiceVerdict* why) const {
    return acceptedAttribute(itemQuery("GetFolderEmailShareInfo", uid, token).add("dirid", dirid),
                             "folder", "info", why);
}

// Files --------------------------------------------------------------------------------------

int ServiceClient::FileAdd(const std::string& uid, const std::string& token,
                           const std::string& name, const std::string& ext, const std::string& size,
                           const std::string& dirid, const std::string& hash,
                           std::string& newId) const {
    const auto added = addFile(uid, token, name, ext, size, dirid, hash);
    if (added.ok())
        newId = added.value.id;
    return added.value.result;
}

ServiceResult<AddedItem> ServiceClient::addFile(const std::string& uid, const std::string& token,
                                                const std::string& name, const std::string& ext,
                                                const std::string& size, const std::string& dirid,
                                                const std::string& hash) const {
    const auto query = itemQuery("FileAdd", uid, token)
                           .addEncoded("name", name)
                           .add("ext", ext)
                           .add("size", size)
                           .add("dirid", dirid)
                           .add("hash", hash);
    AttributeAnswer answer;
    if (const Failure failure = fetchAttributes(query.signedUrlOver(m_frame.apiHost(), "hash"),
                                                Repeat::kBounded, answer);
        failure != Failure::kNone) {
        return ServiceResult<AddedItem>::failed(failure);
    }
    if (!answer.accepted())
        return ServiceResult<AddedItem>::failed(Failure::kRefused,
                                                {0, {}, answer.childText("msg")});
    return ServiceResult<AddedItem>::success(
        {1, AttributeAnswer::attribute(answer.child("file"), "id"), {}});
}

int ServiceClient::FileMove(const std::string& uid, const std::string& token,
                            const std::string& fids, const std::string& targetDirid,
                            ServiceVerdict* why) const {
    return judged(
        itemQuery("FileMove", uid, token).add("fids", fids).add("target_dirid", targetDirid),
        Repeat::kNever, why);
}

int ServiceClient::FileRename(const std::string& uid, const std::string& token,
                              const std::string& fid, const std::string& newname,
                              ServiceVerdict* why) const {
    return judged(
        itemQuery("FileRename", uid, token).add("fid", fid).addEncoded("newname", newname),
        Repeat::kBounded, why);
}

int ServiceClient::FileDelete(const std::string& uid, const std::string& token,
                              const std::string& fids, const std::string& isReal,
                              ServiceVerdict* why) const {
    return judged(itemQuery("FileDelete", uid, token).add("fids", fids).add("is_real", isReal),
                  Repeat::kBounded, why);
}

int ServiceClient::FileEncrypt(const std::string& uid, const std::string& token,
                               const std::string& fid, const std::string& password,
                               const std::string& passwordTip, ServiceVerdict* why) const {
    return judged(itemQuery("FileEncrypt", uid, token)
                      .add("fid", fid)
                      .add("password", password)
                      .add("password_tip", passwordTip),
                  Repeat::kBounded, why);
}

int ServiceClient::FileDecrypt(const std::string& uid, const std::string& token,
                               const std::string& fid, const std::string& password,
                               ServiceVerdict* why) const {
    return judged(itemQuery("FileDecrypt", uid, token).add("fid", fid).add("password", password),
                  Repeat::kBounded, why);
}

std::string ServiceClient::FileShare(const std::string& uid, const std::string& token,
                                     const std::string& fids, const std::string& downpwd,
                                     const std::string& downValue, const std::string& description,
                                     ServiceVerdict* why) const {
    return resultText(itemQuery("FileShare", uid, token)
                          .add("fids", fids)
                          .add("downpwd", downpwd)
                          .add("downValue", downValue)
                          .add("description", description),
                      why);
}

int ServiceClient::FileShareCancle(const std::string& uid, const std::string& token,
                                   const std::string& fids, ServiceVerdict* why) const {
    return judged(itemQuery("FileShareCancle", uid, token).add("fids", fids), Repeat::kBounded,
                  why);
}

std::string ServiceClient::FileEmailShare(const std::string& uid, const std::string& token,
                                          const std::string& fid, const std::string& to,
                                          ServiceVerdict* why) const {
    const auto query = itemQuery("FileEmailShare", uid, token).add("fid", fid).add("to", to);
    AttributeAnswer answer;
    const Failure failure =
        fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer);
    noteRefusal(why, failure, answer);
    if (failure != Failure::kNone)
        return "0";
    const auto result = answer.resultText();
    if (!result)
        return "0";
    return *result == "1" ? "1" : answer.childText("msg");
}

int ServiceClient::FileOutLinkSetting(const std::string& uid, const std::string& token,
                                      const std::string& fid, const std::string& linkName,
                                      const std::string& domain, ServiceVerdict* why) const {
    return judged(itemQuery("FileOutLinkSetting", uid, token)
                      .add("fid", fid)
                      .add("link_name", linkName)
                      .add("domain", domain),
                  Repeat::kBounded, why);
}

int ServiceClient::CancleFileOutLink(const std::string& uid, const std::string& token,
                                     const std::string& fids, ServiceVerdict* why) const {
    return judged(itemQuery("CancleFileOutLink", uid, token).add("fids", fids), Repeat::kBounded,
                  why);
}

std::string ServiceClient::GetFileOutLink(const std::string& uid, const std::string& token,
                                          const std::string& fid, ServiceVerdict* why) const {
    return acceptedAttribute(itemQuery("GetFileOutLink", uid, token).add("fid", fid), "file", "url",
                             why);
}

std::string ServiceClient::GetFileShareLink(const std::string& uid, const std::string& token,
                                            const std::string& fid, ServiceVerdict* why) const {
    return acceptedAttribute(itemQuery("GetFileShareLink", uid, token).add("fid", fid), "file",
                             "url", why);
}

std::string ServiceClient::GetFileEmailShareInfo(const std::string& uid, const std::string& token,
                                                 const std::string& fid,
                                                 ServiceVerdict* why) const {
    return acceptedAttribute(itemQuery("GetFileEmailShareInfo", uid, token).add("fid", fid), "file",
                             "info", why);
}

std::string ServiceClient::GetFileOutLinkInfo(const std::string& uid, const std::string& token,
                                              const std::string& fid, std::string& domainOut,
                                              ServiceVerdict* why) const {
    const auto query = itemQuery("GetFileOutLinkInfo", uid, token).add("fid", fid);
    AttributeAnswer answer;
    const Failure failure =
        fetchAttributes(query.signedUrl(m_frame.apiHost()), Repeat::kBounded, answer);
    noteRefusal(why, failure, answer);
    if (failure != Failure::kNone || !answer.accepted())
        return {};
    const auto* file = answer.child("file");
    if (file == nullptr)
        return {};
    std::string link = AttributeAnswer::attribute(file, "linkname");
    if (link.empty())
        link = AttributeAnswer::attribute(file, "linkkey") + "/" +
               AttributeAnswer::attribute(file, "id");
    domainOut = AttributeAnswer::attribute(file, "domain");
    return link;
}

int ServiceClient::ClearBin(const std::string& uid, const std::string& token,
                            ServiceVerdict* why) const {
    return judged(itemQuery("ClearBin", uid, token), Repeat::kBounded, why);
}

}  // namespace nubexa
