#include "service/ReadLocalAdapter.h"

#include "platform/FixedText.h"
#include "platform/LocalAdapter.h"

namespace nimbrel {

int ReadLocalAdapter(GlobalSettings& g, const std::string& chosenAdapter) {
    AdapterIdentity identity;
    if (!SelectAdapter(ListAdapters(), ChosenAdapter(chosenAdapter), identity)) return 0;
    SetText(g.m_Mac, identity.mac);
    SetText(g.m_LocalIp, identity.ip);
    if (!identity.mask.empty()) SetText(g.m_LocalMask, identity.mask);
    return 1;
}

}  // namespace nimbrel
