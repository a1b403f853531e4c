#include "mail/support_table.h"

#include "mail/keychain_store.h"
#include "mail/network_return.h"

namespace mail {
namespace {

SecretStore& keychain()
{
    static KeychainSecretStore store;
    return store;
}

bool followNetwork(QObject* context, std::function<void()> back)
{
    auto* follower = context->findChild<NetworkReturn*>(QString(), Qt::FindDirectChildrenOnly);
    if (!follower) {
        follower = new NetworkReturn(context);
        QObject::connect(follower, &NetworkReturn::back, context, std::move(back));
    }
    return follower->start();
}

} // namespace

const Support& SupportTable()
{
    static const Support table { &MakeMailSession, &keychain, &followNetwork };
    return table;
}

} // namespace mail
