#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin/store/disk_model.h"
#include "standin/store/sql_database.h"

namespace nubexa::standin {

struct ShareRow {
    std::int64_t accountId = 0;
    ItemKind kind = ItemKind::File;
    std::int64_t itemId = 0;
    std::string key;
    std::string pwd;
    std::int64_t points = 0;
    std::string description;
};

struct LinkRow {
    std::int64_t accountId = 0;
    std::int64_t fileId = 0;
    std::string linkName;
    std::string linkKey;
    std::string domains;  // "a.com,b.org"; empty: any site may embed the link
};

// Link shares, e-mail shares and direct links. Works inside the caller's transaction.
class ShareStore {
public:
    ShareStore(SqlTx& tx, std::int64_t accountId) : m_tx(tx), m_accountId(accountId) {}

    // Creates or updates the share of every live item (all or nothing).
    Outcome share(ItemKind kind, const std::vector<std::int64_t>& ids, const std::string& pwd,
                  const std::string& points, const std::string& description);
    Outcome cancelShare(ItemKind kind, const std::vector<std::int64_t>& ids);
    std::optional<ShareRow> shareOf(ItemKind kind, std::int64_t id);

    // Records an e-mail share; the addresses are checked and normalised into `recipients`.
    Outcome recordEmailShare(ItemKind kind, std::int64_t id, const std::string& to,
                             std::vector<std::string>& recipients);

    // The custom link name must be free across the service; domains is a typed list.
    Outcome setLink(std::int64_t fileId, const std::string& linkName, const std::string& domains);
    Outcome cancelLinks(const std::vector<std::int64_t>& fileIds);
    std::optional<LinkRow> linkOf(std::int64_t fileId);

    // Look-ups of the public pages, across accounts.
    static std::optional<ShareRow> findShare(SqlTx& tx, const std::string& key);
    static std::optional<LinkRow> findLink(SqlTx& tx, const std::string& linkName);
    static std::optional<LinkRow> findLinkByKey(SqlTx& tx, const std::string& linkKey,
                                                std::int64_t fileId);

    static constexpr std::size_t kMaxRecipients = 5;

private:
    bool isLive(ItemKind kind, std::int64_t id);

    SqlTx& m_tx;
    std::int64_t m_accountId;
};

// "host" or "host:port" per entry, letters, digits, "-" and "."; nullopt when one is not.
std::optional<std::string> normaliseDomains(const std::string& typed);

}  // namespace nubexa::standin
