#include "session/scratch_task_rows.h"

#include "store/store_gate.h"

namespace nubexa {

std::optional<std::int64_t> ScratchTaskRows::findUnfinished(const NewTaskRow& row, int ranType) {
    return m_gate.run([&](LocalStore& store) -> std::optional<std::int64_t> {
        TaskTable tasks(store);
        const auto rows = ranType == ran_type::kUpload ? tasks.listUploads(row.userId)
                                                       : tasks.listDownloads(row.userId);
        for (const auto& listed : rows) {
            if (listed.localPath == row.localPath && listed.localFileName == row.localFileName &&
                listed.ftpPath == row.ftpPath && listed.ftpFileName == row.ftpFileName) {
                return std::stoll(listed.id);
            }
        }
        return std::nullopt;
    });
}

TransferTask ScratchTaskRows::start(const NewTaskRow& row, int ranType) {
    auto id = findUnfinished(row, ranType);
    const auto stored = m_gate.run([&](LocalStore& store) {
        TaskTable tasks(store);
        if (id) {
            tasks.resume(*id);
        } else {
            if (ranType == ran_type::kUpload) {
                tasks.insertFileUpload(row);
            } else {
                tasks.insertFileDownload(row);
            }
            id = tasks.lastInsertedId();
        }
        return tasks.load(*id).value_or(StoredTask{});
    });
    return makeTransferTask(stored);
}

TransferTask ScratchTaskRows::startDownload(const NewTaskRow& row) {
    return start(row, ran_type::kDownload);
}

TransferTask ScratchTaskRows::startUpload(const NewTaskRow& row) {
    return start(row, ran_type::kUpload);
}

void ScratchTaskRows::giveBack(std::int64_t id) {
    m_gate.run([&](LocalStore& store) { TaskTable(store).giveBack(id); });
}

StoredTask ScratchTaskRows::load(std::int64_t id) {
    return m_gate.run(
        [&](LocalStore& store) { return TaskTable(store).load(id).value_or(StoredTask{}); });
}

}  // namespace nubexa
