#include "relayed_link.h"

#include <QRandomGenerator>
#include <QStringList>
#include <cstdio>

namespace nubexa::bench {

std::pair<int, int> RelayedLink::passiveRange() {
    const int low = 20000 + static_cast<int>(QRandomGenerator::global()->bounded(30000));
    return {low, low + 199};
}

RelayedLink::RelayedLink(const std::vector<int>& ports, std::pair<int, int> passive,
                         double roundTripMs) {
    QStringList portList;
    for (const int port : ports)
        portList << QString::number(port);
    portList << QStringLiteral("%1-%2").arg(passive.first).arg(passive.second);
    m_relay.setProcessChannelMode(QProcess::MergedChannels);
    m_relay.start(
        QStringLiteral("python3"),
        {QStringLiteral(NUBEXA_LINK_RELAY), QStringLiteral("--listen-host"),
         QString::fromLatin1(kHost), QStringLiteral("--ports"), portList.join(QLatin1Char(',')),
         QStringLiteral("--delay-ms"), QString::number(roundTripMs / 2)});
    QByteArray said;
    while (m_relay.waitForReadyRead(10000)) {
        said += m_relay.readAll();
        if (said.contains("relay ready")) {
            m_ready = true;
            return;
        }
    }
    std::fprintf(stderr, "the relay did not start: %s\n", said.constData());
}

RelayedLink::~RelayedLink() {
    if (m_relay.state() == QProcess::NotRunning)
        return;
    m_relay.terminate();
    if (!m_relay.waitForFinished(5000))
        m_relay.kill();
    m_relay.waitForFinished(5000);
}

}  // namespace nubexa::bench
