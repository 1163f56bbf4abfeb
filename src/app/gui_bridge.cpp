#include "app/gui_bridge.h"

#include <QMetaObject>

namespace nubexa::app {

GuiBridge::GuiBridge(QObject* parent) : QObject(parent) {}

void GuiBridge::post(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void GuiBridge::workerEnded(const WorkerReport& report) {
    post([this, report] { emit transferEnded(report); });
}

void GuiBridge::avatarReady(const std::string& fullPath) {
    post([this, path = QString::fromStdString(fullPath)] { emit avatarArrived(path); });
}

void GuiBridge::fileServerInClear(const std::string& host) {
    post([this, name = QString::fromStdString(host)] { emit fileServerInClearSeen(name); });
}

}  // namespace nubexa::app
