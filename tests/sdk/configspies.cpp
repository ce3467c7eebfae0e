#include "configspies.h"

ConfigSpies::ConfigSpies(kelp::OrrinConfig* config)
    : locked(config, &kelp::OrrinConfig::locked), unlocked(config, &kelp::OrrinConfig::unlocked),
      saved(config, &kelp::OrrinConfig::savedToServer), error(config, &kelp::OrrinConfig::configError)
{
}
