#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace nubexa::app {

// One client per bin.db: the first start listens on a local socket named after the data
// folder, in $XDG_RUNTIME_DIR, the data folder itself or a 0700 folder of this user's in the
// temporary folder; a later start finds it, asks it to show its window, waits for its answer
// and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& homeFolder, QObject* parent = nullptr);

    // True when this process is the one client of the folder (it then listens); false when
    // another one runs, which has been asked to show its window, or when something else
    // listens there (problem() then says so).
    bool claim();
    // What the user should hear after claim(): something else answered, or no private place
    // for the socket was found (claim() then lets this process run); empty when all went well.
    QString problem() const { return m_problem; }

    static QString serverName(const QString& homeFolder);

signals:
    void activationRequested();

private:
    enum class Answer { kNobody, kShown, kStrange };
    Answer askRunningToShow() const;

    QString m_name;  // empty: no safe place for the socket
    QString m_problem;
    QLocalServer m_server;
};

}  // namespace nubexa::app
