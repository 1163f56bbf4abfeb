#include "standin/demo/demo_seed.h"

#include "standin/store/account_store.h"
#include "standin/util/crypto_util.h"
#include "standin/store/folder_store.h"
#include "standin/store/item_store.h"
#include "standin/store/recycle_bin.h"
#include "standin/demo/sample_content.h"
#include "standin/store/share_store.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

constexpr std::int64_t kDay = 86400;

// Builds one account's disk inside the seeding transaction.
class DiskBuilder {
public:
    DiskBuilder(SqlTx& tx, const ContentArea& content, std::int64_t accountId)
        : m_tx(tx), m_content(content), m_accountId(accountId), m_folders(tx, accountId) {}

    std::int64_t folder(std::int64_t parent, const std::string& name, std::int64_t daysAgo) {
        std::int64_t id = 0;
        m_folders.add(parent, name, id);
        m_tx.exec("UPDATE folders SET created = ? WHERE id = ?", nowSeconds() - daysAgo * kDay, id);
        return id;
    }

    std::int64_t file(std::int64_t folder, const std::string& name, const std::string& ext,
                      const std::string& bytes, std::int64_t daysAgo) {
        m_tx.exec(
            "INSERT INTO files (account_id, folder_id, name, ext, size, md5, state, created)"
            " VALUES (?, ?, ?, ?, ?, ?, 1, ?)",
            m_accountId, folder, name, ext, static_cast<std::int64_t>(bytes.size()), md5Hex(bytes),
            nowSeconds() - daysAgo * kDay);
        const std::int64_t id = m_tx.lastInsertId();
        if (auto written = m_content.writeWhole(m_content.contentPath(m_accountId, id), bytes);
            !written)
            m_tx.fail(written.message);
        return id;
    }

private:
    SqlTx& m_tx;
    const ContentArea& m_content;
    std::int64_t m_accountId;
    FolderStore m_folders;
};

void buildDemoDisk(SqlTx& tx, const ContentArea& content, std::int64_t accountId) {
    DiskBuilder disk(tx, content, accountId);
    const std::int64_t photos = disk.folder(0, "照片", 40);
    const std::int64_t trip = disk.folder(photos, "旅行", 35);
    const std::int64_t dayOne = disk.folder(trip, "第一天", 35);
    const std::int64_t documents = disk.folder(0, "文档", 30);
    const std::int64_t privateFolder = disk.folder(0, "私密资料", 20);
    const std::int64_t projects = disk.folder(0, "projects", 10);

    disk.file(0, "欢迎使用Nubexa", ".txt",
              "欢迎使用Nubexa网盘！\n\n这是演示账号 demo "
              "的网盘：可以浏览、上传、下载、分享和管理文件。\n",
              45);
    const std::int64_t seaside = disk.file(photos, "海边", ".png", makeSeasidePng(), 38);
    disk.file(dayOne, "日出", ".png",
              makePng(120, 80,
                      [](int x, int y) -> Rgb {
                          return {static_cast<std::uint8_t>(200 + y / 2),
                                  static_cast<std::uint8_t>(80 + y + x / 4), 60};
                      }),
              34);
    const std::int64_t report = disk.file(documents, "季度报告", ".pdf",
                                          makePdf("Quarterly report", "Nubexa demo document"), 28);
    disk.file(documents, "预算", ".csv", "项目,金额\n服务器,12000\n带宽,3600\n合计,15600\n", 12);
    disk.file(documents, "会议纪要", ".txt", "1. 确认上线时间\n2. 客户端支持断点续传\n", 3);
    disk.file(privateFolder, "账号备忘", ".txt", "这个文件夹有密码：1234\n", 20);
    disk.file(projects, "README", ".md", "# projects\n\nDemo data for the Nubexa client.\n", 9);
    disk.file(projects, "data", ".bin", makeNoise(1 << 20, 20240601), 2);
    const std::int64_t oldFile = disk.file(0, "旧文件", ".txt", "这个文件在回收站里。\n", 60);

    ItemStore(tx, accountId).encrypt(ItemKind::Folder, privateFolder, "1234", "四位数字");
    ShareStore shares(tx, accountId);
    shares.share(ItemKind::File, {report}, "abcd", "2", "第三季度报告");
    shares.setLink(seaside, "demo-seaside", "");
    RecycleBin(tx, accountId, content).remove(ItemKind::File, {oldFile});
}

void buildGuestDisk(SqlTx& tx, const ContentArea& content, std::int64_t accountId) {
    DiskBuilder disk(tx, content, accountId);
    const std::int64_t mine = disk.folder(0, "我的文件", 5);
    disk.file(mine, "hello", ".txt", "Hello from the guest account.\n", 5);
}

// The account of that name: the existing one, or a new one with its disk built.
std::int64_t ensureAccount(SqlTx& tx, const ContentArea& content, const NewAccount& fields,
                           void (*buildDisk)(SqlTx&, const ContentArea&, std::int64_t),
                           Outcome& outcome) {
    AccountStore accounts(tx);
    if (const auto existing = accounts.byName(fields.name))
        return existing->id;
    std::int64_t id = 0;
    outcome = accounts.create(fields, id);
    if (outcome)
        buildDisk(tx, content, id);
    return id;
}

}  // namespace

Outcome seedDemo(SqlDatabase& database, const ContentArea& content) {
    SqlTx tx(database);
    Outcome outcome;
    const std::int64_t demoId = ensureAccount(
        tx, content,
        {"demo", "演示用户", "demo@example.com", "demo123", true, true, 120, 5LL << 30, 1LL << 30},
        buildDemoDisk, outcome);
    if (!outcome)
        return outcome;
    const std::int64_t guestId = ensureAccount(
        tx, content,
        {"guest", "访客", "guest@example.com", "guest123", false, false, 0, 1LL << 30, 100LL << 20},
        buildGuestDisk, outcome);
    if (!outcome)
        return outcome;
    if (!tx.commit())
        return Outcome::failure("cannot seed the demo accounts: " + tx.error());
    if (auto drawn = ensureAvatar(content, demoId); !drawn)
        return drawn;
    return ensureAvatar(content, guestId);
}

}  // namespace nubexa::standin
