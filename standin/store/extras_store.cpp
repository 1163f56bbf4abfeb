#include "standin/store/extras_store.h"

#include "standin/store/account_store.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

int ExtrasStore::drawsLeft(std::int64_t accountId) {
    const std::string today = dayText(nowSeconds());
    return m_tx.scalar(0, "SELECT COUNT(*) FROM draws WHERE account_id = ? AND day = ?", accountId,
                       today) == 0
               ? 1
               : 0;
}

Outcome ExtrasStore::bookDraw(std::int64_t accountId, std::int64_t bytes) {
    if (bytes <= 0 || bytes > kMaxDrawMegabytes * 1024 * 1024)
        return Outcome::failure("抽取的容量无效");
    if (drawsLeft(accountId) == 0)
        return Outcome::failure("您今天已经抽过容量了");
    m_tx.exec("INSERT INTO draws (account_id, day, size, created) VALUES (?, ?, ?, ?)", accountId,
              dayText(nowSeconds()), bytes, nowSeconds());
    AccountStore(m_tx).addDiskSize(accountId, bytes);
    return Outcome::success();
}

std::vector<Notice> ExtrasStore::notices() {
    std::vector<Notice> notices;
    auto rows = m_tx.prepare("SELECT title, url FROM announcements ORDER BY position, id");
    while (rows.next())
        notices.push_back({rows.text(0), rows.text(1)});
    return notices;
}

}  // namespace nubexa::standin
