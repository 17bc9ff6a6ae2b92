#include "modem/PciPlugAndPlayId.h"
