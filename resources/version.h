// The one definition of the version numbers: the version resource and the
// About window both read these.
#pragma once

#define KALVERO_VERSION_MAJOR 1
#define KALVERO_VERSION_MINOR 0
#define KALVERO_VERSION_REVISION 0
