#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace nubexa::app {

// One client per bin.db: the first start listens on a local socket named after the data
// folder, in $XDG_RUNTIME_DIR or the data folder itself; a later start finds it, asks it to
// show its window and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& homeFolder, QObject* parent = nullptr);

    // True when this process is the one client of the folder (it then listens); false when
    // another one runs, which has been asked to show its window.
    bool claim();

    static QString serverName(const QString& homeFolder);

signals:
    void activationRequested();

private:
    bool askRunningToShow() const;

    QString m_name;
    QLocalServer m_server;
};

}  // namespace nubexa::app
