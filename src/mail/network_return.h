#pragma once

#include <QNetworkInformation>
#include <QObject>

// Tells when the network comes back: the desktop's reachability (QNetworkInformation,
// NetworkManager where it runs) rising to Online from anything known below it.
class NetworkReturn final : public QObject {
    Q_OBJECT

public:
    using Reachability = QNetworkInformation::Reachability;

    explicit NetworkReturn(QObject* parent = nullptr) : QObject(parent) {}

    // Follows the platform's reachability backend; false when there is none.
    bool start();
    // One reachability report (the backend's, or a test's).
    void onReachability(Reachability reachability);

Q_SIGNALS:
    void back();

private:
    Reachability m_last = Reachability::Unknown;
};
