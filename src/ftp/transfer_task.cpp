#include "ftp/transfer_task.h"

#include "store/task_table.h"

namespace nubexa {

TransferTask makeTransferTask(const StoredTask& row) {
    TransferTask task;
    task.id = row.id;
    task.localPath = row.localPath;
    task.localRoot = row.localRoot;
    task.localFileName = row.localFileName;
    task.ftpPath = row.ftpPath;
    task.ftpFileName = row.ftpFileName;
    task.status = row.status;
    task.ranType = row.ranType;
    task.transferSize = row.transferSize;
    task.transferSizeText = row.transferSizeText.empty() ? "0" : row.transferSizeText;
    task.transferSchedule = row.transferSchedule;
    task.fileSize = row.fileSize;
    task.parentId = row.parentId;
    return task;
}

}  // namespace nubexa
