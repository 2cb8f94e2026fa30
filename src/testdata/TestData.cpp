#include "ExtTypes.h"
