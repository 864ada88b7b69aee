// The one definition of the version numbers: the version resource, the manifest,
// the About window and the installers all take them from here.
#pragma once

#define KALVERO_VERSION_MAJOR 1
#define KALVERO_VERSION_MINOR 0
#define KALVERO_VERSION_REVISION 0

// The numbers as text, "1.0.0", for texts fixed at build time.
#define KALVERO_STRINGIZE(x) #x
#define KALVERO_TEXT(x) KALVERO_STRINGIZE(x)
#define KALVERO_VERSION_TEXT \
  KALVERO_TEXT(KALVERO_VERSION_MAJOR) "." KALVERO_TEXT(KALVERO_VERSION_MINOR) "." KALVERO_TEXT(KALVERO_VERSION_REVISION)
