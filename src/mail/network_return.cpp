#include "mail/network_return.h"

bool NetworkReturn::start()
{
    if (!QNetworkInformation::instance()) {
        // NetworkManager's backend first: it follows the D-Bus service, which is what a
        // desktop's network applet changes; any other that knows reachability after it.
        if (!QNetworkInformation::loadBackendByName(u"networkmanager"))
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    QNetworkInformation* info = QNetworkInformation::instance();
    if (!info || !info->supports(QNetworkInformation::Feature::Reachability))
        return false;
    m_last = info->reachability();
    connect(info, &QNetworkInformation::reachabilityChanged, this, &NetworkReturn::onReachability);
    return true;
}

void NetworkReturn::onReachability(Reachability reachability)
{
    const Reachability before = m_last;
    m_last = reachability;
    // Unknown is the backend still finding out: coming from it is no return.
    if (reachability == Reachability::Online && before != Reachability::Online && before != Reachability::Unknown)
        Q_EMIT back();
}
