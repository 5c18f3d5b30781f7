#include "reading/uDuskoReader.h"
#include "reading/uFarvoReader.h"
#include "reading/uGelmiReader.h"

std::unique_ptr<TReaderCore> CreateReader(TDeviceConnection &connection, ISoundPlayer *player,
                                          const TReaderSettings &settings)
{
    const TSensType &kind = connection.SensType;
    if (kind.GetFamily() == 1)
        return std::make_unique<TFarvoReader>(connection, player, settings);
    if (kind.GetFamily() != 2)
        return nullptr;
    if (kind.GetKind() == 82)
        return std::make_unique<TDuskoReader>(connection, player, settings);
    return std::make_unique<TGelmiReader>(connection, player, settings);
}
